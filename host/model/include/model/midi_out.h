// The host's MIDI-out object: checks an event record and hands the message to the application's output.
#pragma once

#include <atomic>
#include <cstdint>
#include <functional>
#include <mutex>

#include "mp/host_contract.h"

namespace host {

class HostMidiOut final : public mp::IMPMidiOut {
public:
    // data/size: the variable-length bytes of the record (null/0 for fixed kinds), valid for the call.
    using Sender = std::function<win::HRESULT(const mp::MidiEventRecord& record, const std::uint8_t* data,
                                              std::size_t size)>;
    // One reference, owned by the caller. Without a sender every event is refused with E_FAIL.
    static HostMidiOut* Create(Sender sender = {});
    void SetSender(Sender sender);

    win::HRESULT QueryInterface(const win::IID& riid, void** ppv) override;
    win::ULONG AddRef() override { return ++refs_; }
    win::ULONG Release() override;
    win::HRESULT SendEvent(const mp::MidiEventRecord* record, win::DWORD flags) override;

private:
    explicit HostMidiOut(Sender sender) : sender_(std::move(sender)) {}
    std::atomic<win::ULONG> refs_{1};
    std::mutex mutex_;
    Sender sender_;
};

} // namespace host
