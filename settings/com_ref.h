#pragma once
// Small owners for COM objects, BSTRs and VARIANTs: one owner per reference.
#include <windows.h>
#include <oleauto.h>

#include <utility>

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

// Owner of a BSTR.
class CBstr
{
public:
    CBstr() = default;
    // A copy of `text`; Get() stays null when memory runs out.
    explicit CBstr(const wchar_t* text) : m_text(text ? SysAllocString(text) : nullptr) {}
    ~CBstr() { SysFreeString(m_text); }
    CBstr(const CBstr&) = delete;
    CBstr& operator=(const CBstr&) = delete;

    BSTR Get() const { return m_text; }
    // The text, never null (an empty BSTR may be null).
    const wchar_t* Text() const { return m_text ? m_text : L""; }
    UINT Length() const { return SysStringLen(m_text); }
    BSTR* Receive()
    {
        SysFreeString(m_text);
        m_text = nullptr;
        return &m_text;
    }

private:
    BSTR m_text = nullptr;
};

// Owner of a VARIANT.
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
