// Clipboard exchange of MIDI events in the registered format: a 12-byte header (1, 2, count) and
// the events' 64-byte records as the host stores them; copying, cutting, reading back and pasting.
#include <algorithm>
#include <cstring>
#include <string>

#include "mp/module_strings.h"
#include "mp/page.h"
#include "mp/plugin.h"
#include "mp/track_access.h"
#include "win/win.h"

namespace mp {

using namespace win;

namespace {

constexpr std::uint32_t kClipVersion = 1;
constexpr std::uint32_t kClipSecondWord = 2;
constexpr std::size_t kHeaderBytes = 12;
constexpr std::size_t kRecordBytes = sizeof(MidiEventRecord);
constexpr HRESULT kShortWrite = static_cast<HRESULT>(0x8004E009u);

HRESULT WriteExactly(IStream* stream, const void* data, ULONG bytes) {
    ULONG written = 0;
    HRESULT hr = stream->Write(data, bytes, &written);
    if (FAILED(hr)) return hr;
    return written == bytes ? S_OK : kShortWrite;
}

bool ReadExactly(IStream* stream, void* data, ULONG bytes) {
    ULONG read = 0;
    return SUCCEEDED(stream->Read(data, bytes, &read)) && read == bytes;
}

// The clipboard block for the records, or null (E_OUTOFMEMORY or a short write in *hr).
HGLOBAL BuildBlock(const std::vector<MidiEventRecord>& records, HRESULT* hr) {
    const std::size_t bytes = kHeaderBytes + records.size() * kRecordBytes;
    HGLOBAL mem = GlobalAlloc(GMEM_MOVEABLE, bytes);
    if (!mem) {
        *hr = E_OUTOFMEMORY;
        return nullptr;
    }
    IStream* stream = nullptr;
    *hr = CreateStreamOnHGlobal(mem, FALSE, &stream);
    if (SUCCEEDED(*hr)) {
        const std::uint32_t header[3] = {kClipVersion, kClipSecondWord, static_cast<std::uint32_t>(records.size())};
        *hr = WriteExactly(stream, header, sizeof header);
        for (std::size_t i = 0; SUCCEEDED(*hr) && i < records.size(); ++i)
            *hr = WriteExactly(stream, &records[i], static_cast<ULONG>(kRecordBytes));
        stream->Release();
    }
    if (FAILED(*hr)) {
        GlobalFree(mem);
        return nullptr;
    }
    return mem;
}

} // namespace

bool COPTPlugin::CanPaste() { return clipboardFormat_ && IsClipboardFormatAvailable(clipboardFormat_); }

bool COPTPlugin::HasSelection() {
    if (!midiData_) return false;
    if (!(Flags() & PLF_EVENT_LIST_VALID)) SelectTrack(currentTrack_, currentBlock_);
    // Inside an edit of its own the host may hold its reports back, so the kept answer is not used.
    const bool keep = transactionDepth_ == 0;
    const std::uint64_t generation = dataGeneration_.load();
    if (keep && selectionKnown_ && selectionGeneration_ == generation) return hasSelection_;
    const auto kept = [&](bool selected) {
        selectionKnown_ = true;
        hasSelection_ = selected;
        selectionGeneration_ = generation;
        return selected;
    };
    // The entries tell it while nothing has changed the selection unseen: no read of every block.
    if (keep && EntryFlagsCurrent()) {
        const EntryList& list = EventList();
        const auto [first, end] = SelectedStretch();
        return kept(std::any_of(list.begin() + static_cast<std::ptrdiff_t>(first), list.begin() + static_cast<std::ptrdiff_t>(end),
                                [this](const EventEntry& e) { return EntrySelected(e); }));
    }
    if (FAILED(BeginRead())) return false;
    bool selected = false, complete = true;
    // Read in bulk, a long list costs a few calls; asked one by one, one call per event.
    if (keep && bulkReads_ && SelectionInBulk(&selected)) {
        EndTransaction(false);
        return kept(selected);
    }
    for (const EventEntry& e : EventList()) {
        MidiEventRecord record{};
        if (midiData_->Get(&e.key, LEVEL_EVENT, &record, 0) != S_OK) {
            complete = false;
            continue;
        }
        FreeEventData(record);
        if (record.flags & MEF_SELECTED) {
            selected = true;
            break;
        }
    }
    EndTransaction(false);
    return keep && complete ? kept(selected) : selected;
}

HRESULT COPTPlugin::CopySelection(HWND owner, bool cut) {
    if (!clipboardFormat_) return cut ? CommitDeletes(true) : E_FAIL;
    if (!midiData_) return E_UNEXPECTED;
    SelectTrack(currentTrack_, currentBlock_);
    const std::vector<EventEntry> list = EntriesMaybeSelected();
    HRESULT hr = BeginRead();
    if (FAILED(hr)) return hr;
    std::vector<MidiEventRecord> copied;
    for (const EventEntry& e : list) {
        MidiEventRecord record{};
        hr = midiData_->Get(&e.key, LEVEL_EVENT, &record, 0);
        if (hr != S_OK) break;
        FreeEventData(record);
        if (!(record.flags & MEF_SELECTED)) continue;
        // Only the 64-byte record travels; a data handle means nothing to whoever pastes it.
        if (IsVariableKind(record.kind)) record.dataHandle = 0;
        copied.push_back(record);
        if (cut) queues_.PutDelete(e.key);
    }
    if (SUCCEEDED(hr)) hr = S_OK; // S_FALSE from the walk only ended it
    if (SUCCEEDED(hr) && copied.empty()) {
        hr = S_FALSE;
    } else if (SUCCEEDED(hr)) {
        HGLOBAL mem = BuildBlock(copied, &hr);
        if (mem) {
            // A clipboard that cannot be opened makes the copy a silent no-op.
            if (OpenClipboard(owner)) {
                EmptyClipboard();
                if (!SetClipboardData(clipboardFormat_, mem)) GlobalFree(mem);
                CloseClipboard();
            } else {
                GlobalFree(mem);
            }
        }
    }
    EndTransaction(false);
    if (!cut) return hr;
    const HRESULT cutResult = CommitDeletes(hr != S_OK);
    return hr == S_OK ? cutResult : (FAILED(hr) ? hr : cutResult);
}

const std::vector<MidiEventRecord>* COPTPlugin::ReadClipboard(HWND owner) {
    if (!clipboardFormat_ || !OpenClipboard(owner)) return nullptr;
    pasteList_.clear();
    bool complete = false;
    HGLOBAL mem = GetClipboardData(clipboardFormat_);
    const std::size_t size = mem ? GlobalSize(mem) : 0;
    IStream* stream = nullptr;
    if (size >= kHeaderBytes && SUCCEEDED(CreateStreamOnHGlobal(mem, FALSE, &stream))) {
        std::uint32_t header[3] = {};
        // The count must also fit the block, so a damaged count cannot ask for more than is there.
        if (ReadExactly(stream, header, sizeof header) && header[0] == kClipVersion && header[1] == kClipSecondWord &&
            header[2] >= 1 && header[2] <= (size - kHeaderBytes) / kRecordBytes) {
            complete = true;
            for (std::uint32_t i = 0; i < header[2]; ++i) {
                MidiEventRecord record{};
                if (!ReadExactly(stream, &record, static_cast<ULONG>(kRecordBytes))) {
                    complete = false;
                    break;
                }
                if (IsVariableKind(record.kind)) record.dataHandle = 0;
                pasteList_.push_back(record);
            }
        }
        stream->Release();
    }
    CloseClipboard();
    if (!complete) {
        pasteList_.clear();
        return nullptr;
    }
    return &pasteList_;
}

HRESULT TrackAccess::PasteAt(HWND owner, std::int64_t* position) {
    if (!position) return E_FAIL;
    if (!plugin_ || !plugin_->MidiData()) return E_UNEXPECTED;
    if (!Prepare()) return E_FAIL;
    EventKey block{};
    if (!plugin_->FirstBlockOf(TrackIndex(), &block)) return E_FAIL;
    const EventKey parent{block.track, block.block, 0};
    const int channel = std::max(TrackChannel(), 0);
    const std::vector<MidiEventRecord>* clip = plugin_->ReadClipboard(owner);
    if (!clip || clip->empty()) return E_FAIL;
    // Variable-length events travel without their data; they cannot be recreated here.
    std::vector<MidiEventRecord> records;
    for (const MidiEventRecord& r : *clip)
        if (!IsVariableKind(r.kind)) records.push_back(r);
    if (records.empty()) return E_FAIL;
    std::int64_t earliest = records.front().time;
    std::int64_t latest = records.front().time + static_cast<std::int64_t>(records.front().length);
    for (const MidiEventRecord& r : records) {
        earliest = std::min(earliest, r.time);
        latest = std::max(latest, r.time + static_cast<std::int64_t>(r.length));
    }
    const std::int64_t offset = *position - earliest;
    const std::int64_t newEnd = latest + offset;
    SelectAll(false);
    // The records' times become times in the first block.
    const std::int64_t base = BlockStart(parent);
    for (MidiEventRecord& r : records) {
        r.time += offset - base;
        r.hostWord = 0;
        r.port = 0;
        r.flags |= MEF_SELECTED;
        r.channel = channel;
        r.sourceWord = 0;
    }
    const std::u16string name = Utf8ToUtf16(ModuleString(records.size() == 1 ? IDS_UNDO_PASTE_EVENT : IDS_UNDO_PASTE_EVENTS));
    const HRESULT hr = InsertEvents(parent, records, name.c_str());
    if (FAILED(hr)) return hr;
    ExtendLength(newEnd);
    *position = newEnd;
    return S_OK;
}

} // namespace mp
