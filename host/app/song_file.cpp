// The settings meta event in a song file, and atomic file replacement.
#include "song_file.h"

#include <cstring>

#include "win/file_replacement.h"

namespace host::app {

namespace {

bool IsSettingsEvent(const EventValue& e) {
    return e.kind == mp::MEK_META && e.bytes.size() >= 2 && e.bytes[0] == kSequencerSpecificMeta &&
           e.bytes[1] == kSettingsManufacturerId;
}

bool IsExtension(const EventValue& e) {
    return e.bytes.size() >= 2 + sizeof kSettingsExtensionTag &&
           std::memcmp(e.bytes.data() + 2, kSettingsExtensionTag, sizeof kSettingsExtensionTag) == 0;
}

void PutVarLen(std::vector<std::uint8_t>& out, std::uint32_t v) {
    std::uint8_t buf[5];
    int n = 0;
    buf[n++] = v & 0x7F;
    while (v >>= 7) buf[n++] = static_cast<std::uint8_t>(0x80 | (v & 0x7F));
    while (n) out.push_back(buf[--n]);
}

std::uint32_t ReadBe32(const std::uint8_t* p) {
    return (std::uint32_t{p[0]} << 24) | (std::uint32_t{p[1]} << 16) | (std::uint32_t{p[2]} << 8) | p[3];
}

// A settings meta event at delta time 0.
void PutSettingsEvent(std::vector<std::uint8_t>& out, const std::uint8_t* payload, std::size_t size) {
    out.insert(out.end(), {0x00, 0xFF, kSequencerSpecificMeta});
    PutVarLen(out, static_cast<std::uint32_t>(size + 1));
    out.push_back(kSettingsManufacturerId);
    out.insert(out.end(), payload, payload + size);
}

} // namespace

std::vector<std::uint8_t> TakeSettingsEvent(Store& store, bool* found) {
    std::vector<std::uint8_t> payload;
    bool any = false, joined = false;
    if (store.TrackCount() > 0) {
        std::uint32_t first = store.TracksInOrder().front();
        std::vector<std::uint32_t> doomed;
        for (std::uint32_t block : store.BlocksOf(first))
            for (std::uint32_t id : store.EventsOf(block)) {
                if (store.EventKind(id) != mp::MEK_META) continue;
                EventValue e = store.Event(id);
                if (!IsSettingsEvent(e)) continue;
                if (!any)
                    payload.assign(e.bytes.begin() + 2, e.bytes.end());
                else if (!joined && payload.size() == kSettingsFixedBytes && IsExtension(e)) {
                    payload.insert(payload.end(), e.bytes.begin() + 2, e.bytes.end());
                    joined = true;
                }
                any = true;
                doomed.push_back(id);
            }
        for (std::uint32_t id : doomed) store.DeleteEvent(id);
        if (!doomed.empty()) {
            store.ClearHistory();
            store.DropNotifications();
        }
    }
    if (found) *found = any;
    return payload;
}

bool InsertSettingsEvent(std::vector<std::uint8_t>& image, const std::vector<std::uint8_t>& payload) {
    if (image.size() < 14) return false;
    std::size_t pos = 0;
    while (pos + 8 <= image.size()) {
        std::uint32_t length = ReadBe32(image.data() + pos + 4);
        if (std::memcmp(image.data() + pos, "MTrk", 4) == 0) {
            if (pos + 8 + length > image.size()) return false;
            std::vector<std::uint8_t> event;
            const std::size_t split = payload.size() > kSettingsFixedBytes ? kSettingsFixedBytes : payload.size();
            PutSettingsEvent(event, payload.data(), split);
            if (split < payload.size()) PutSettingsEvent(event, payload.data() + split, payload.size() - split);
            std::uint32_t grown = length + static_cast<std::uint32_t>(event.size());
            image.insert(image.begin() + static_cast<std::ptrdiff_t>(pos + 8), event.begin(), event.end());
            image[pos + 4] = static_cast<std::uint8_t>(grown >> 24);
            image[pos + 5] = static_cast<std::uint8_t>(grown >> 16);
            image[pos + 6] = static_cast<std::uint8_t>(grown >> 8);
            image[pos + 7] = static_cast<std::uint8_t>(grown);
            return true;
        }
        pos += 8 + static_cast<std::size_t>(length);
    }
    return false;
}

bool WriteFileAtomically(const std::string& path, const std::vector<std::uint8_t>& bytes, std::string* error) {
    return win::files::ReplaceFileContents(path, bytes.data(), bytes.size(), error);
}

std::string BaseName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

} // namespace host::app
