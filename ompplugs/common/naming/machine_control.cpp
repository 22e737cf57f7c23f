// Names of MIDI Machine Control messages carried in system-exclusive events.
#include "naming_text.h"

#include <iterator>

#include "mp/module_strings.h"
#include "mp/naming.h"

namespace mp {
namespace naming {

namespace {

// Command bytes in the order of their names in the string table.
constexpr std::uint8_t kCommands[] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 68, 69, 70, 71, 72, 84, 85};
static_assert(std::size(kCommands) == IDS_MMC_LAST - IDS_MMC_FIRST + 1);

constexpr std::uint8_t kUniversalRealTime = 0x7F;
constexpr std::uint8_t kEndOfExclusive = 0xF7;
constexpr std::uint8_t kSubIdCommand = 6;
constexpr std::uint8_t kSubIdResponse = 7;

} // namespace

std::string MachineControlName(const std::uint8_t* data, std::size_t length) {
    // Stored without the leading F0: 7F <device> <sub-id> <command> F7.
    if (!data || length < 5 || data[0] != kUniversalRealTime || data[4] != kEndOfExclusive) return {};
    std::uint8_t subId = data[2];
    std::uint8_t command = data[3];
    if (subId == kSubIdCommand) {
        for (std::size_t i = 0; i < std::size(kCommands); ++i) {
            if (kCommands[i] == command) {
                return Format(IDS_FMT_MMC, Text(IDS_MMC_FIRST + static_cast<std::uint32_t>(i)).c_str());
            }
        }
        return Format(IDS_FMT_MMC_BYTE, static_cast<unsigned>(command));
    }
    if (subId == kSubIdResponse) return Format(IDS_FMT_MMC_BYTE, static_cast<unsigned>(command));
    return {};
}

} // namespace naming

bool NameMachineControl(const std::uint8_t* data, std::size_t length, char* buffer, std::size_t capacity) {
    if (!buffer || capacity == 0) return false;
    std::string name = naming::MachineControlName(data, length);
    if (name.empty()) return false;
    naming::Emit(name, buffer, capacity);
    return true;
}

} // namespace mp
