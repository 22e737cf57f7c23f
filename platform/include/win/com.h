// COM ABI: GUIDs, HRESULT codes, and the standard interfaces the host and the module exchange.
// Only interfaces, ids, records and codes live here; helpers (reference counting, QueryInterface
// tables, ComPtr, stream implementations) are in com_helpers.h.
#pragma once

#include "win/types.h"

namespace win {

struct GUID {
    DWORD Data1;
    WORD Data2;
    WORD Data3;
    BYTE Data4[8];
};
static_assert(sizeof(GUID) == 16);
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID&;
using REFCLSID = const CLSID&;
using REFGUID = const GUID&;
using OLECHAR = char16_t;
using LPOLESTR = OLECHAR*;
using LPCOLESTR = const OLECHAR*;
using LCID = DWORD;

bool operator==(const GUID& a, const GUID& b) noexcept;
inline bool operator!=(const GUID& a, const GUID& b) noexcept { return !(a == b); }
inline BOOL IsEqualGUID(REFGUID a, REFGUID b) noexcept { return a == b ? TRUE : FALSE; }
inline BOOL IsEqualIID(REFIID a, REFIID b) noexcept { return a == b ? TRUE : FALSE; }

constexpr HRESULT MakeHr(std::uint32_t v) { return static_cast<HRESULT>(v); }
constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHr(0x80004001u);
constexpr HRESULT E_NOINTERFACE = MakeHr(0x80004002u);
constexpr HRESULT E_POINTER = MakeHr(0x80004003u);
constexpr HRESULT E_ABORT = MakeHr(0x80004004u);
constexpr HRESULT E_FAIL = MakeHr(0x80004005u);
constexpr HRESULT E_UNEXPECTED = MakeHr(0x8000FFFFu);
constexpr HRESULT E_ACCESSDENIED = MakeHr(0x80070005u);
constexpr HRESULT E_HANDLE = MakeHr(0x80070006u);
constexpr HRESULT E_OUTOFMEMORY = MakeHr(0x8007000Eu);
constexpr HRESULT E_INVALIDARG = MakeHr(0x80070057u);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHr(0x80040110u);
constexpr HRESULT CLASS_E_CLASSNOTAVAILABLE = MakeHr(0x80040111u);
constexpr HRESULT CONNECT_E_NOCONNECTION = MakeHr(0x80040200u);
constexpr HRESULT CONNECT_E_ADVISELIMIT = MakeHr(0x80040201u);
constexpr HRESULT CONNECT_E_CANNOTCONNECT = MakeHr(0x80040202u);
constexpr HRESULT STG_E_INVALIDFUNCTION = MakeHr(0x80030001u);
constexpr HRESULT STG_E_INVALIDPOINTER = MakeHr(0x80030009u);
constexpr HRESULT STG_E_MEDIUMFULL = MakeHr(0x80030070u);
constexpr HRESULT STG_E_READFAULT = MakeHr(0x8003001Eu);
constexpr HRESULT STG_E_WRITEFAULT = MakeHr(0x8003001Du);
constexpr HRESULT STG_E_CANTSAVE = MakeHr(0x80030103u);
constexpr bool SUCCEEDED(HRESULT hr) { return hr >= 0; }
constexpr bool FAILED(HRESULT hr) { return hr < 0; }

struct LARGE_INTEGER {
    LONGLONG QuadPart;
};
struct ULARGE_INTEGER {
    ULONGLONG QuadPart;
};
struct FILETIME {
    DWORD dwLowDateTime;
    DWORD dwHighDateTime;
};

// Standard interface ids (defined in platform/com/guids.cpp).
extern const IID IID_IUnknown;
extern const IID IID_IClassFactory;
extern const IID IID_ISequentialStream;
extern const IID IID_IStream;
extern const IID IID_IPersist;
extern const IID IID_IPersistStream;
extern const IID IID_IConnectionPoint;
extern const IID IID_IConnectionPointContainer;
extern const IID IID_IPropertyPage;
extern const IID IID_IPropertyPageSite;
extern const IID IID_ISpecifyPropertyPages;
extern const GUID GUID_NULL;

// All interfaces: slot 0-2 QueryInterface, AddRef, Release. Unless a slot says otherwise,
// interfaces are [ui thread] and out pointers receive an AddRef'd reference owned by the caller.
struct IUnknown {
    // Returns S_OK and an AddRef'd pointer, E_NOINTERFACE (out set to null) or E_POINTER (out null).
    virtual HRESULT QueryInterface(REFIID riid, void** ppv) = 0;
    // Returns the new count (informational only). [any thread]
    virtual ULONG AddRef() = 0;
    // Frees the object when the count reaches zero. [any thread]
    virtual ULONG Release() = 0;
};

struct IClassFactory : IUnknown {
    // Creates an object; outer must be null (CLASS_E_NOAGGREGATION otherwise).
    virtual HRESULT CreateInstance(IUnknown* outer, REFIID riid, void** ppv) = 0;
    virtual HRESULT LockServer(BOOL lock) = 0;
};

constexpr DWORD STREAM_SEEK_SET = 0;
constexpr DWORD STREAM_SEEK_CUR = 1;
constexpr DWORD STREAM_SEEK_END = 2;
constexpr DWORD STGTY_STREAM = 2;
constexpr DWORD STATFLAG_DEFAULT = 0;
constexpr DWORD STATFLAG_NONAME = 1;

struct STATSTG {
    LPOLESTR pwcsName; // task memory owned by the caller (null with STATFLAG_NONAME)
    DWORD type;
    ULARGE_INTEGER cbSize;
    FILETIME mtime;
    FILETIME ctime;
    FILETIME atime;
    DWORD grfMode;
    DWORD grfLocksSupported;
    CLSID clsid;
    DWORD grfStateBits;
    DWORD reserved;
};

struct ISequentialStream : IUnknown {
    // Copies up to cb bytes into pv; *pcbRead (may be null) gets the count actually read.
    // A short read (also none at the end) is S_OK with the smaller count; callers compare the count.
    virtual HRESULT Read(void* pv, ULONG cb, ULONG* pcbRead) = 0;
    // Writes cb bytes from pv; the caller keeps pv.
    virtual HRESULT Write(const void* pv, ULONG cb, ULONG* pcbWritten) = 0;
};

struct IStream : ISequentialStream {
    virtual HRESULT Seek(LARGE_INTEGER move, DWORD origin, ULARGE_INTEGER* newPosition) = 0;
    virtual HRESULT SetSize(ULARGE_INTEGER newSize) = 0;
    virtual HRESULT CopyTo(IStream* target, ULARGE_INTEGER cb, ULARGE_INTEGER* read, ULARGE_INTEGER* written) = 0;
    virtual HRESULT Commit(DWORD flags) = 0;
    virtual HRESULT Revert() = 0;
    virtual HRESULT LockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
    virtual HRESULT UnlockRegion(ULARGE_INTEGER offset, ULARGE_INTEGER cb, DWORD lockType) = 0;
    virtual HRESULT Stat(STATSTG* stat, DWORD flags) = 0;
    virtual HRESULT Clone(IStream** clone) = 0;
};

struct IPersist : IUnknown {
    virtual HRESULT GetClassID(CLSID* clsid) = 0;
};

struct IPersistStream : IPersist {
    // S_OK when there are unsaved changes, S_FALSE otherwise.
    virtual HRESULT IsDirty() = 0;
    virtual HRESULT Load(IStream* stream) = 0;
    virtual HRESULT Save(IStream* stream, BOOL clearDirty) = 0;
    virtual HRESULT GetSizeMax(ULARGE_INTEGER* size) = 0;
};

struct IConnectionPointContainer;
struct IEnumConnections;
struct IEnumConnectionPoints;

struct IConnectionPoint : IUnknown {
    virtual HRESULT GetConnectionInterface(IID* iid) = 0;
    virtual HRESULT GetConnectionPointContainer(IConnectionPointContainer** container) = 0;
    // Holds a reference to sink until Unadvise; *cookie is non-zero on success.
    virtual HRESULT Advise(IUnknown* sink, DWORD* cookie) = 0;
    // Releases the sink's reference; CONNECT_E_NOCONNECTION for an unknown cookie.
    virtual HRESULT Unadvise(DWORD cookie) = 0;
    virtual HRESULT EnumConnections(IEnumConnections** e) = 0;
};

struct IConnectionPointContainer : IUnknown {
    virtual HRESULT EnumConnectionPoints(IEnumConnectionPoints** e) = 0;
    // E_NOINTERFACE (CONNECT_E_NOCONNECTION classic) when the container has no such point.
    virtual HRESULT FindConnectionPoint(REFIID riid, IConnectionPoint** cp) = 0;
};

struct PROPPAGEINFO {
    ULONG cb;
    LPOLESTR pszTitle;      // task memory, freed by the caller
    SIZE size;
    LPOLESTR pszDocString;  // task memory or null
    LPOLESTR pszHelpFile;   // task memory or null
    DWORD dwHelpContext;
};

struct CAUUID {
    ULONG cElems;
    GUID* pElems; // task memory, freed by the caller
};

constexpr UINT PROPPAGESTATUS_DIRTY = 0x01;
constexpr UINT PROPPAGESTATUS_VALIDATE = 0x02;
constexpr UINT PROPPAGESTATUS_CLEAN = 0x04;

struct IPropertyPageSite : IUnknown {
    virtual HRESULT OnStatusChange(DWORD flags) = 0;
    virtual HRESULT GetLocaleID(LCID* lcid) = 0;
    virtual HRESULT GetPageContainer(IUnknown** container) = 0;
    // S_OK when the site handled the message.
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};

struct IPropertyPage : IUnknown {
    virtual HRESULT SetPageSite(IPropertyPageSite* site) = 0;
    virtual HRESULT Activate(HWND parent, LPCRECT rect, BOOL modal) = 0;
    virtual HRESULT Deactivate() = 0;
    virtual HRESULT GetPageInfo(PROPPAGEINFO* info) = 0;
    virtual HRESULT SetObjects(ULONG count, IUnknown** objects) = 0;
    virtual HRESULT Show(UINT cmdShow) = 0;
    virtual HRESULT Move(LPCRECT rect) = 0;
    virtual HRESULT IsPageDirty() = 0;
    virtual HRESULT Apply() = 0;
    virtual HRESULT Help(LPCOLESTR helpDir) = 0;
    // S_OK when the page consumed the message, S_FALSE to let the site handle it.
    virtual HRESULT TranslateAccelerator(MSG* msg) = 0;
};

struct ISpecifyPropertyPages : IUnknown {
    virtual HRESULT GetPages(CAUUID* pages) = 0;
};

// Task memory: one allocator for the whole process, so host and module free each other's buffers.
// [any thread]
void* CoTaskMemAlloc(std::size_t cb) noexcept;
// pv null: allocates; cb 0: frees pv and returns null; on failure pv is left untouched and null returned.
void CoTaskMemFree(void* pv) noexcept;

// 32-bit handles for task-memory blocks. Record layouts fixed at 4 bytes for a data pointer
// (event data, track and block names) carry one of these instead of an address, so the layouts
// stay the same on 64-bit systems. 0 is never a valid handle. [any thread]
DWORD CoTaskMemAllocHandle(std::size_t cb) noexcept;    // 0 when out of memory
void* CoTaskMemHandlePtr(DWORD handle) noexcept;        // null for 0 or an unknown handle
std::size_t CoTaskMemHandleSize(DWORD handle) noexcept; // 0 for an unknown handle
void CoTaskMemFreeHandle(DWORD handle) noexcept;        // unknown handles are ignored

// Global memory blocks (the clipboard's currency). [any thread]
constexpr UINT GMEM_FIXED = 0x0000;
constexpr UINT GMEM_MOVEABLE = 0x0002;
constexpr UINT GMEM_ZEROINIT = 0x0040;
constexpr UINT GHND = GMEM_MOVEABLE | GMEM_ZEROINIT;
HGLOBAL GlobalAlloc(UINT flags, std::size_t bytes) noexcept;
void* GlobalLock(HGLOBAL mem) noexcept;
BOOL GlobalUnlock(HGLOBAL mem) noexcept;
std::size_t GlobalSize(HGLOBAL mem) noexcept;
HGLOBAL GlobalFree(HGLOBAL mem) noexcept; // null on success, the handle on failure
// Resizes a block (the classic GlobalReAlloc for moveable memory); returns the new data pointer,
// or null leaving the block unchanged (also while the block is locked).
void* GlobalReAllocData(HGLOBAL mem, std::size_t bytes) noexcept;

// Streams over memory. deleteOnRelease frees the global block with the last reference.
HRESULT CreateStreamOnHGlobal(HGLOBAL mem, BOOL deleteOnRelease, IStream** stream) noexcept;
HRESULT GetHGlobalFromStream(IStream* stream, HGLOBAL* mem) noexcept;

// "{XXXXXXXX-XXXX-XXXX-XXXX-XXXXXXXXXXXX}" text form; parse returns E_INVALIDARG on bad text.

} // namespace win
