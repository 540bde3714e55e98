#pragma once
// The program's owners of system resources: one owner per resource, one
// template for every kind. Each typed owner below names the call that
// releases its kind and the value that means "none".
#include <windows.h>
#include <objbase.h>
#include <oleauto.h>

#include <cstdint>
#include <type_traits>
#include <utility>

// Keeps the thread's last error across a block that may change it (closing a
// handle, writing a log line after a failure), so that the failure can still
// be reported as the failing call left it.
class CKeepLastError
{
public:
    CKeepLastError() : m_error(GetLastError()) {}
    ~CKeepLastError() { SetLastError(m_error); }
    CKeepLastError(const CKeepLastError&) = delete;
    CKeepLastError& operator=(const CKeepLastError&) = delete;
    DWORD Error() const { return m_error; }

private:
    DWORD m_error;
};

// Owns one resource of type T: `Close` releases it, `InvalidValue` (as an
// integer: 0 for null, -1 for INVALID_HANDLE_VALUE) means none. Move-only.
// Releasing leaves the thread's last error as it was.
template <class T, void (*Close)(T), std::intptr_t InvalidValue = 0>
class CUniqueResource
{
public:
    static T Invalid()
    {
        if constexpr (std::is_pointer_v<T>)
            return reinterpret_cast<T>(InvalidValue);
        else
            return static_cast<T>(InvalidValue);
    }

    CUniqueResource() = default;
    // Takes over `value`, which the caller owned.
    explicit CUniqueResource(T value) : m_value(value) {}
    ~CUniqueResource() { Reset(); }
    CUniqueResource(const CUniqueResource&) = delete;
    CUniqueResource& operator=(const CUniqueResource&) = delete;
    CUniqueResource(CUniqueResource&& other) noexcept : m_value(other.Release()) {}
    CUniqueResource& operator=(CUniqueResource&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    T Get() const { return m_value; }
    // Null counts as none for every kind: no system call returns it as a resource.
    bool IsValid() const { return m_value != Invalid() && m_value != T(); }
    explicit operator bool() const { return IsValid(); }

    // Gives the resource up to the caller.
    T Release() { return std::exchange(m_value, Invalid()); }
    // Releases the held resource and takes over `value`.
    void Reset(T value = Invalid())
    {
        T old = std::exchange(m_value, value);
        if (old != Invalid() && old != T()) {
            CKeepLastError keep;
            Close(old);
        }
    }
    // The address for an out parameter; the held resource is released first.
    T* Receive()
    {
        Reset();
        return &m_value;
    }

private:
    T m_value = Invalid();
};

// The release calls, as functions of our own: a template takes their address.
namespace handles {
inline void CloseKernelHandle(HANDLE handle)
{
    ::CloseHandle(handle);
}
inline void CloseRegistryKey(HKEY key)
{
    ::RegCloseKey(key);
}
inline void DestroyIconHandle(HICON icon)
{
    ::DestroyIcon(icon);
}
inline void DestroyMenuHandle(HMENU menu)
{
    ::DestroyMenu(menu);
}
inline void DestroyWindowHandle(HWND window)
{
    ::DestroyWindow(window);
}
inline void UnhookHook(HHOOK hook)
{
    ::UnhookWindowsHookEx(hook);
}
inline void FreeLocalBlock(void* block)
{
    ::LocalFree(block);
}
inline void FreeGlobalBlock(HGLOBAL block)
{
    ::GlobalFree(block);
}
inline void CloseClipboardOfThread(bool)
{
    ::CloseClipboard();
}
inline void FreeHeapBlock(void* block)
{
    ::HeapFree(::GetProcessHeap(), 0, block);
}
inline void FreeTaskMemory(wchar_t* text)
{
    ::CoTaskMemFree(text);
}
inline void FreeLibraryModule(HMODULE module)
{
    ::FreeLibrary(module);
}
inline void FreeBstr(BSTR text)
{
    ::SysFreeString(text);
}
inline void UninitializeCom(bool)
{
    ::CoUninitialize();
}
} // namespace handles

using CHandle =
    CUniqueResource<HANDLE, handles::CloseKernelHandle>; // events, mutexes, timers, tokens
using CFileHandle = CUniqueResource<HANDLE, handles::CloseKernelHandle, -1>; // CreateFileW results
using CRegistryKey = CUniqueResource<HKEY, handles::CloseRegistryKey>;
using CIconHandle = CUniqueResource<HICON, handles::DestroyIconHandle>;
using CMenuHandle = CUniqueResource<HMENU, handles::DestroyMenuHandle>;
// A window the program made and destroys on the thread that made it.
using CWindowHandle = CUniqueResource<HWND, handles::DestroyWindowHandle>;
using CHook = CUniqueResource<HHOOK, handles::UnhookHook>;
// A LocalAlloc block (CommandLineToArgvW, FormatMessageW with ALLOCATE_BUFFER).
using CLocalBlock = CUniqueResource<void*, handles::FreeLocalBlock>;
// A GlobalAlloc block, until the clipboard takes it (SetClipboardData).
using CGlobalBlock = CUniqueResource<HGLOBAL, handles::FreeGlobalBlock>;
// The clipboard, from a successful OpenClipboard until the owner goes.
using CClipboardOpen = CUniqueResource<bool, handles::CloseClipboardOfThread>;
// A string the shell allocated with CoTaskMemAlloc.
using CTaskMemString = CUniqueResource<wchar_t*, handles::FreeTaskMemory>;
// A library the program loaded itself.
using CLibraryHandle = CUniqueResource<HMODULE, handles::FreeLibraryModule>;
// COM on this thread, from a successful CoInitializeEx until the owner goes.
using CComApartment = CUniqueResource<bool, handles::UninitializeCom>;

// A block of the process heap.
class CHeapBlock : public CUniqueResource<void*, handles::FreeHeapBlock>
{
public:
    CHeapBlock() = default;
    explicit CHeapBlock(SIZE_T size) { Allocate(size); }

    // Replaces the block with a new one of `size` bytes; false when out of memory.
    bool Allocate(SIZE_T size)
    {
        Reset(HeapAlloc(GetProcessHeap(), 0, size ? size : 1));
        return IsValid();
    }
    template <class T>
    T* As() const
    {
        return static_cast<T*>(Get());
    }
};

// A BSTR.
class CBstr : public CUniqueResource<BSTR, handles::FreeBstr>
{
public:
    CBstr() = default;
    // A copy of `text`; stays empty when memory runs out.
    explicit CBstr(const wchar_t* text) : CUniqueResource(text ? SysAllocString(text) : nullptr) {}

    // The text, never null (an empty BSTR may be null).
    const wchar_t* Text() const { return Get() ? Get() : L""; }
    UINT Length() const { return SysStringLen(Get()); }
};

// A VARIANT: cleared when it goes or takes another value.
class CVariant
{
public:
    CVariant() { VariantInit(&m_value); }
    ~CVariant() { VariantClear(&m_value); }
    CVariant(const CVariant&) = delete;
    CVariant& operator=(const CVariant&) = delete;

    VARIANT& Get() { return m_value; }
    const VARIANT& Get() const { return m_value; }
    VARIANT* Receive()
    {
        VariantClear(&m_value);
        return &m_value;
    }
    // Holds a new reference to `unknown`.
    void SetUnknown(IUnknown* unknown)
    {
        VariantClear(&m_value);
        m_value.vt = VT_UNKNOWN;
        m_value.punkVal = unknown;
        if (unknown)
            unknown->AddRef();
    }
    void SetBool(bool value)
    {
        VariantClear(&m_value);
        m_value.vt = VT_BOOL;
        m_value.boolVal = value ? VARIANT_TRUE : VARIANT_FALSE;
    }
    // A copy of `text`; false when memory runs out.
    bool SetText(const wchar_t* text)
    {
        VariantClear(&m_value);
        BSTR copy = SysAllocString(text);
        if (!copy)
            return false;
        m_value.vt = VT_BSTR;
        m_value.bstrVal = copy;
        return true;
    }

private:
    VARIANT m_value;
};

// Holds one reference to a COM interface and releases it when it goes.
template <class T>
class CComRef
{
public:
    CComRef() = default;
    // Takes over a reference the caller already owns.
    explicit CComRef(T* pointer) : m_pointer(pointer) {}
    ~CComRef() { Reset(); }
    CComRef(const CComRef& other) : m_pointer(other.m_pointer)
    {
        if (m_pointer)
            m_pointer->AddRef();
    }
    CComRef& operator=(const CComRef& other)
    {
        if (this != &other) {
            if (other.m_pointer)
                other.m_pointer->AddRef();
            Reset(other.m_pointer);
        }
        return *this;
    }
    CComRef(CComRef&& other) noexcept : m_pointer(std::exchange(other.m_pointer, nullptr)) {}
    CComRef& operator=(CComRef&& other) noexcept
    {
        if (this != &other)
            Reset(std::exchange(other.m_pointer, nullptr));
        return *this;
    }

    T* Get() const { return m_pointer; }
    T* operator->() const { return m_pointer; }
    explicit operator bool() const { return m_pointer != nullptr; }

    // Releases the held reference and takes over `pointer` (already owned).
    void Reset(T* pointer = nullptr)
    {
        T* old = std::exchange(m_pointer, pointer);
        if (old)
            old->Release();
    }
    // The address for an out parameter; the held reference is released first.
    T** Receive()
    {
        Reset();
        return &m_pointer;
    }
    void** ReceiveVoid() { return reinterpret_cast<void**>(Receive()); }

    // Another interface of the same object.
    template <class U>
    HRESULT Query(REFIID iid, CComRef<U>& other) const
    {
        if (!m_pointer)
            return E_POINTER;
        return m_pointer->QueryInterface(iid, other.ReceiveVoid());
    }

private:
    T* m_pointer = nullptr;
};
