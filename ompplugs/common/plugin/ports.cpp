// The plug-in object's port lists: refresh from the host, current port choice, port queries.
#include "mp/plugin.h"

#include <cstring>

namespace mp {

using namespace win;

void COPTPlugin::FreePortList(PortList& list) {
    for (DWORD i = 0; list.entries && i < list.count; ++i) CoTaskMemFreeHandle(list.entries[i].nameHandle);
    CoTaskMemFree(list.entries);
    list = PortList{};
}

void COPTPlugin::RefreshPorts(DWORD kind) {
    std::lock_guard<std::mutex> guard(portLock_);
    PortList& list = kind == PORT_KIND_OUTPUT ? outputPorts_ : inputPorts_;
    DWORD& current = kind == PORT_KIND_OUTPUT ? currentOutputPort_ : currentInputPort_;

    bool remembered = false;
    GUID guid{};
    for (DWORD i = 0; list.entries && i < list.count; ++i)
        if (list.entries[i].id == current) {
            guid = list.entries[i].guid;
            remembered = true;
            break;
        }
    FreePortList(list);
    current = 0;
    if (!portList_) return;

    DWORD count = 0;
    MPPortEntry* entries = nullptr;
    HRESULT hr = portList_->GetPorts(kind, &count, &entries);
    if (FAILED(hr) || count == 0 || !entries) {
        if (SUCCEEDED(hr) && entries) {
            list = PortList{count, entries};
            FreePortList(list);
        }
        return;
    }
    list = PortList{count, entries};
    current = entries[0].id;
    if (remembered)
        for (DWORD i = 0; i < count; ++i)
            if (entries[i].guid == guid) {
                current = entries[i].id;
                break;
            }
}

DWORD COPTPlugin::GetPort(int index) {
    std::lock_guard<std::mutex> guard(portLock_);
    return index == 0 ? currentInputPort_ : currentOutputPort_;
}

HRESULT COPTPlugin::SetPort(int index, DWORD id) {
    std::lock_guard<std::mutex> guard(portLock_);
    (index == 0 ? currentInputPort_ : currentOutputPort_) = id;
    return S_OK;
}

int COPTPlugin::QueryMonitoring() const {
    std::lock_guard<std::mutex> guard(portLock_);
    return (!midiOut_ || outputPorts_.count == 0) ? 1 : 0;
}

int COPTPlugin::GetPortEntry(int list, DWORD index, MPPortEntry* entry) const {
    std::lock_guard<std::mutex> guard(portLock_);
    const PortList& ports = list == 1 ? outputPorts_ : inputPorts_;
    if (!entry || !ports.entries || index >= ports.count) return 1;
    std::memcpy(entry, &ports.entries[index], sizeof *entry);
    return 0;
}

bool COPTPlugin::GetPortName(int list, DWORD index, std::u16string* name) const {
    std::lock_guard<std::mutex> guard(portLock_);
    const PortList& ports = list == 1 ? outputPorts_ : inputPorts_;
    if (!name || !ports.entries || index >= ports.count) return false;
    const DWORD handle = ports.entries[index].nameHandle;
    const auto* text = static_cast<const char16_t*>(CoTaskMemHandlePtr(handle));
    const std::size_t units = CoTaskMemHandleSize(handle) / sizeof(char16_t);
    name->clear();
    for (std::size_t i = 0; text && i < units && text[i]; ++i) name->push_back(text[i]);
    return true;
}

} // namespace mp
