// The host's MIDI-out object.
#include "model/midi_out.h"

#include "model/store.h"
#include "win/com_helpers.h"

namespace host {

HostMidiOut* HostMidiOut::Create(Sender sender) { return new HostMidiOut(std::move(sender)); }

void HostMidiOut::SetSender(Sender sender) {
    std::lock_guard lock(mutex_);
    sender_ = std::move(sender);
}

win::HRESULT HostMidiOut::QueryInterface(const win::IID& riid, void** ppv) {
    return win::QueryInterfaceFrom(riid, ppv, {{mp::IID_IMPMidiOut, this}});
}

win::ULONG HostMidiOut::Release() {
    win::ULONG n = --refs_;
    if (n == 0) delete this;
    return n;
}

win::HRESULT HostMidiOut::SendEvent(const mp::MidiEventRecord* record, win::DWORD /*flags*/) {
    if (!record) return win::E_POINTER;
    if (!IsKnownKind(record->kind) || record->channel < -1 || record->channel > 15) return win::E_INVALIDARG;
    const std::uint8_t* data = nullptr;
    std::size_t size = 0;
    if (IsVariableKind(record->kind) && record->length) {
        data = static_cast<const std::uint8_t*>(win::CoTaskMemHandlePtr(record->dataHandle));
        if (!data || win::CoTaskMemHandleSize(record->dataHandle) < record->length) return win::E_INVALIDARG;
        size = record->length;
    }
    std::lock_guard lock(mutex_);
    if (!sender_) return win::E_FAIL;
    return sender_(*record, data, size);
}

} // namespace host
