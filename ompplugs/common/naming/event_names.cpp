// NameEvent: the name, type name, field labels and field values of an event of any kind.
#include <algorithm>
#include <optional>

#include "naming_text.h"

#include "mp/module_strings.h"
#include "mp/naming.h"

namespace mp {
namespace {

using naming::Format;
using naming::Text;
using Result = std::optional<std::string>; // nullopt: the kind has no such field

struct KindName {
    std::uint32_t kind;
    std::uint32_t id;
};
constexpr KindName kKindNames[] = {
    {MEK_NONE, IDS_KIND_NONE},
    {MEK_PACKED_NRPN, IDS_KIND_PACKED_NRPN},
    {MEK_PACKED_RPN, IDS_KIND_PACKED_RPN},
    {MEK_BANK_PROGRAM, IDS_KIND_BANK_PROGRAM},
    {MEK_SHORT_MSG, IDS_KIND_SHORT_MSG},
    {MEK_NOTE_OFF, IDS_KIND_NOTE_OFF},
    {MEK_NOTE, IDS_KIND_NOTE},
    {MEK_POLY_PRESSURE, IDS_KIND_POLY_PRESSURE},
    {MEK_CONTROL, IDS_KIND_CONTROL},
    {MEK_PROGRAM, IDS_KIND_PROGRAM},
    {MEK_AFTERTOUCH, IDS_KIND_AFTERTOUCH},
    {MEK_PITCH_BEND, IDS_KIND_PITCH_BEND},
    {MEK_SYSEX, IDS_KIND_SYSEX},
    {MEK_SYSEX_CONTINUE, IDS_KIND_SYSEX_CONTINUE},
    {MEK_MCI, IDS_KIND_MCI},
    {MEK_LONG_MSG, IDS_KIND_LONG_MSG},
    {MEK_META, IDS_KIND_META},
    {MEK_WAVE, IDS_KIND_WAVE},
};

std::optional<std::uint32_t> KindNameId(std::uint32_t kind) {
    for (const KindName& k : kKindNames) {
        if (k.kind == kind) return k.id;
    }
    return std::nullopt;
}

std::string Number(long value) {
    return Format(IDS_FMT_NUMBER, static_cast<int>(value));
}

// The field selectors in order: value n is bit n-1, label n is bit n+3.
int ValueIndex(std::uint32_t field) {
    switch (field) {
    case NAME_VALUE1:
        return 0;
    case NAME_VALUE2:
        return 1;
    case NAME_VALUE3:
        return 2;
    case NAME_VALUE4:
        return 3;
    default:
        return -1;
    }
}
int LabelIndex(std::uint32_t field) {
    switch (field) {
    case NAME_LABEL1:
        return 0;
    case NAME_LABEL2:
        return 1;
    case NAME_LABEL3:
        return 2;
    case NAME_LABEL4:
        return 3;
    default:
        return -1;
    }
}

struct Fields {
    std::uint32_t field;
    bool plain;
    const MidiEventRecord& event;
    std::uint8_t data(int i) const { return event.data[i]; }
    int value() const { return ValueIndex(field); }
    int label() const { return LabelIndex(field); }
};

// Labels of a kind as string ids, up to four.
Result Label(const Fields& f, std::initializer_list<std::uint32_t> ids) {
    int index = f.label();
    if (index < 0 || static_cast<std::size_t>(index) >= ids.size()) return std::nullopt;
    return Text(*(ids.begin() + index));
}

Result NameNote(const Fields& f, bool withDuration) {
    int pitch = f.data(0);
    if (f.field == NAME_EVENT) {
        return Format(IDS_FMT_NAME_AND_NUMBER, pitch, naming::PitchName(pitch, true, false).c_str());
    }
    if (f.label() >= 0) {
        if (withDuration) {
            return Label(f,
                         {IDS_LABEL_NOTE, IDS_LABEL_ON_VELOCITY, IDS_LABEL_OFF_VELOCITY, IDS_LABEL_DURATION});
        }
        return Label(f, {IDS_LABEL_NOTE, IDS_LABEL_OFF_VELOCITY});
    }
    switch (f.value()) {
    case 0:
        if (f.plain || pitch > 127) return Number(pitch);
        return naming::PitchName(pitch, true, false);
    case 1:
        return Text(withDuration ? IDS_ON_VELOCITY : IDS_OFF_VELOCITY) +
               Format(IDS_FMT_PAREN_NUMBER, f.data(1));
    case 2:
        if (!withDuration) return std::nullopt;
        return Text(IDS_OFF_VELOCITY) + Format(IDS_FMT_PAREN_NUMBER, f.data(2));
    case 3:
        if (!withDuration) return std::nullopt;
        return Number(static_cast<long>(f.event.length));
    default:
        return std::nullopt;
    }
}

Result NameTwoNumbers(const Fields& f, std::string name, std::uint32_t label1, std::uint32_t label2) {
    if (f.field == NAME_EVENT) return name;
    if (f.label() >= 0) return Label(f, {label1, label2});
    int index = f.value();
    if (index == 0 || index == 1) return Number(f.data(index));
    return std::nullopt;
}

Result NameBankProgram(const Fields& f) {
    // Data bytes: bank MSB, bank LSB, program.
    int msb = f.data(0), lsb = f.data(1), program = f.data(2);
    if (f.field == NAME_EVENT) return Text(IDS_KIND_BANK_PROGRAM);
    if (f.label() >= 0) return Label(f, {IDS_LABEL_BANK_MSB, IDS_LABEL_BANK_LSB, IDS_LABEL_PROGRAM});
    switch (f.value()) {
    case 0:
        return Text(IDS_MSB) + Format(IDS_FMT_COLON_NUMBER, msb);
    case 1:
        return Text(IDS_LSB) + Format(IDS_FMT_COLON_NUMBER, lsb);
    case 2:
        return Number(program);
    case 3:
        if (f.plain) return Format(IDS_FMT_BANK_PROGRAM, msb * 128 + lsb, program);
        return naming::VoiceName(program);
    default:
        return std::nullopt;
    }
}

Result NameSingleValue(const Fields& f, std::uint32_t nameId, std::uint32_t labelId, long value) {
    if (f.field == NAME_EVENT) return Text(nameId);
    if (f.label() >= 0) return Label(f, {labelId});
    if (f.value() == 0) return Number(value);
    return std::nullopt;
}

Result NamePackedRpn(const Fields& f) {
    if (f.field == NAME_EVENT) return naming::RpnName(f.data(0), f.data(1));
    int index = f.value();
    // The value sits in the two remaining data bytes.
    if (index == 0 || index == 1) return Number(f.data(2 + index));
    return std::nullopt;
}

Result NamePackedNrpn(const Fields& f) {
    if (f.field == NAME_EVENT) return Number(f.data(0) * 128 + f.data(1));
    if (f.label() >= 0)
        return Label(f,
                     {IDS_LABEL_NRP_MSB, IDS_LABEL_NRP_LSB, IDS_LABEL_DATA_MSB, IDS_CONTROLLER_FIRST + 38});
    int index = f.value();
    if (index >= 0) return Number(f.data(index));
    return std::nullopt;
}

// Variable-length data of the record, or an empty view when it has none or the handle is stale.
struct Bytes {
    const std::uint8_t* data = nullptr;
    std::size_t length = 0;
};
Bytes VariableData(const MidiEventRecord& event) {
    if (event.length == 0 || event.dataHandle == 0) return {};
    auto* data = static_cast<const std::uint8_t*>(win::CoTaskMemHandlePtr(event.dataHandle));
    if (!data) return {};
    std::size_t size = win::CoTaskMemHandleSize(event.dataHandle);
    return {data, std::min<std::size_t>(size, event.length)};
}

Result NameSysex(const Fields& f) {
    if (f.field != NAME_EVENT) return std::nullopt;
    Bytes bytes = VariableData(f.event);
    std::string mmc = naming::MachineControlName(bytes.data, bytes.length);
    if (!mmc.empty()) return mmc;
    return Text(f.event.kind == MEK_SYSEX ? IDS_KIND_SYSEX : IDS_KIND_SYSEX_CONTINUE);
}

} // namespace

int NameEvent(const MidiEventRecord& event, char* buffer, std::size_t capacity, std::uint32_t selector,
              bool firstTrack) {
    if (!buffer || capacity == 0) return NAME_BAD_ARGUMENT;
    std::uint32_t field = selector & ~NAME_PLAIN_NUMBERS;
    std::optional<std::uint32_t> typeName = KindNameId(event.kind);
    if (!typeName) return NAME_NO_SUCH_FIELD;
    if (field == NAME_TYPE) return naming::Emit(Text(*typeName), buffer, capacity);
    if (field != NAME_EVENT && ValueIndex(field) < 0 && LabelIndex(field) < 0) return NAME_NO_SUCH_FIELD;

    // A note or pressure event beyond pitch 127 has no name.
    bool pitched = event.kind & (MEK_NOTE | MEK_NOTE_OFF | MEK_POLY_PRESSURE);
    if (pitched && event.data[0] > 127 && field == NAME_EVENT) return NAME_BAD_ARGUMENT;

    Fields f{field, (selector & NAME_PLAIN_NUMBERS) != 0, event};
    Result text;
    bool malformed = false;
    switch (event.kind) {
    case MEK_NOTE:
        text = NameNote(f, true);
        break;
    case MEK_NOTE_OFF:
        text = NameNote(f, false);
        break;
    case MEK_POLY_PRESSURE:
        text =
            NameTwoNumbers(f, naming::PitchName(f.data(0), true, true), IDS_LABEL_NOTE, IDS_LABEL_PRESSURE);
        break;
    case MEK_CONTROL:
        text = NameTwoNumbers(f, naming::ControllerName(f.data(0)), IDS_LABEL_CONTROLLER, IDS_LABEL_VALUE);
        break;
    case MEK_PROGRAM:
        if (field == NAME_EVENT) text = Number(f.data(0));
        break;
    case MEK_BANK_PROGRAM:
        text = NameBankProgram(f);
        break;
    case MEK_AFTERTOUCH:
        text = NameSingleValue(f, IDS_KIND_AFTERTOUCH, IDS_LABEL_PRESSURE, f.data(0));
        break;
    case MEK_PITCH_BEND:
        // Shown as the offset from the centre, as the label's "+/-" says.
        text = NameSingleValue(f, IDS_KIND_PITCH_BEND, IDS_LABEL_PITCH_BEND,
                               (f.data(1) & 0x7F) * 128 + (f.data(0) & 0x7F) - 8192);
        break;
    case MEK_PACKED_RPN:
        text = NamePackedRpn(f);
        break;
    case MEK_PACKED_NRPN:
        text = NamePackedNrpn(f);
        break;
    case MEK_SYSEX:
    case MEK_SYSEX_CONTINUE:
        text = NameSysex(f);
        break;
    case MEK_META: {
        Bytes bytes = VariableData(event);
        text = naming::NameMeta(bytes.data, bytes.length, field, firstTrack, &malformed);
        break;
    }
    default: // (None), short and long messages, MCI and wave data: named by their type only
        if (field == NAME_EVENT) text = Text(*typeName);
        break;
    }
    if (malformed) return NAME_BAD_ARGUMENT;
    if (!text) return NAME_NO_SUCH_FIELD;
    return naming::Emit(*text, buffer, capacity);
}

} // namespace mp
