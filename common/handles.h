#pragma once
// Small owners for Windows handles and blocks: one owner per resource.
#include <windows.h>

#include <utility>

// Owner of a handle closed with CloseHandle. `Invalid` is the value that means
// "none" for the kind of handle (null for most, INVALID_HANDLE_VALUE for files).
template <HANDLE (*Invalid)()>
class CBasicHandle
{
public:
    CBasicHandle() = default;
    explicit CBasicHandle(HANDLE handle) : m_handle(handle) {}
    ~CBasicHandle() { Close(); }
    CBasicHandle(const CBasicHandle&) = delete;
    CBasicHandle& operator=(const CBasicHandle&) = delete;
    CBasicHandle(CBasicHandle&& other) noexcept : m_handle(other.Release()) {}
    CBasicHandle& operator=(CBasicHandle&& other) noexcept
    {
        if (this != &other)
            Reset(other.Release());
        return *this;
    }

    HANDLE Get() const { return m_handle; }
    bool IsValid() const { return m_handle != Invalid() && m_handle != nullptr; }
    explicit operator bool() const { return IsValid(); }

    HANDLE Release()
    {
        HANDLE h = m_handle;
        m_handle = Invalid();
        return h;
    }
    void Reset(HANDLE handle = Invalid())
    {
        Close();
        m_handle = handle;
    }
    // Closes the handle; the thread's last error is left as it was.
    void Close()
    {
        if (IsValid()) {
            DWORD error = GetLastError();
            CloseHandle(m_handle);
            SetLastError(error);
        }
        m_handle = Invalid();
    }

private:
    HANDLE m_handle = Invalid();
};

inline HANDLE NullHandleValue() { return nullptr; }
inline HANDLE InvalidHandleValue() { return INVALID_HANDLE_VALUE; }

using CHandle = CBasicHandle<NullHandleValue>;        // events, mutexes, timers, tokens
using CFileHandle = CBasicHandle<InvalidHandleValue>; // CreateFileW results

// Owner of a block from the process heap.
class CHeapBlock
{
public:
    CHeapBlock() = default;
    explicit CHeapBlock(SIZE_T size) { Allocate(size); }
    ~CHeapBlock() { Free(); }
    CHeapBlock(const CHeapBlock&) = delete;
    CHeapBlock& operator=(const CHeapBlock&) = delete;
    CHeapBlock(CHeapBlock&& other) noexcept : m_data(std::exchange(other.m_data, nullptr)) {}
    CHeapBlock& operator=(CHeapBlock&& other) noexcept
    {
        if (this != &other) {
            Free();
            m_data = std::exchange(other.m_data, nullptr);
        }
        return *this;
    }

    // Replaces the block with a new one of `size` bytes; false when out of memory.
    bool Allocate(SIZE_T size)
    {
        Free();
        m_data = HeapAlloc(GetProcessHeap(), 0, size ? size : 1);
        return m_data != nullptr;
    }
    void Free()
    {
        if (m_data)
            HeapFree(GetProcessHeap(), 0, m_data);
        m_data = nullptr;
    }
    void* Get() const { return m_data; }
    template <class T>
    T* As() const { return static_cast<T*>(m_data); }
    explicit operator bool() const { return m_data != nullptr; }

private:
    void* m_data = nullptr;
};

// Owner of a LocalAlloc block (CommandLineToArgvW, FormatMessageW with ALLOCATE_BUFFER).
class CLocalBlock
{
public:
    explicit CLocalBlock(void* data = nullptr) : m_data(data) {}
    ~CLocalBlock()
    {
        if (m_data)
            LocalFree(m_data);
    }
    CLocalBlock(const CLocalBlock&) = delete;
    CLocalBlock& operator=(const CLocalBlock&) = delete;
    void* Get() const { return m_data; }

private:
    void* m_data;
};

// Owner of a windows hook.
class CHook
{
public:
    explicit CHook(HHOOK hook = nullptr) : m_hook(hook) {}
    ~CHook() { Reset(); }
    CHook(const CHook&) = delete;
    CHook& operator=(const CHook&) = delete;
    HHOOK Get() const { return m_hook; }
    void Reset(HHOOK hook = nullptr)
    {
        if (m_hook)
            UnhookWindowsHookEx(m_hook);
        m_hook = hook;
    }

private:
    HHOOK m_hook;
};
