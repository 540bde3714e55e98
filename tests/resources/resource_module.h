#pragma once
// The built programs opened as resource-only images, the way the tests read
// what the linker really put into them.
#include <windows.h>

#include <memory>
#include <string>
#include <type_traits>
#include <utility>

// Owner of a system object that `Destroy` frees: CUnique<HMENU, DestroyMenu>.
template <typename H, auto Destroy>
struct CDestroyer
{
    void operator()(H handle) const { Destroy(handle); }
};
template <typename H, auto Destroy>
using CUnique = std::unique_ptr<std::remove_pointer_t<H>, CDestroyer<H, Destroy>>;

// Full path of a file that sits beside this test program (the build's bin).
inline std::wstring PathBesideTest(const wchar_t* fileName)
{
    wchar_t path[MAX_PATH] = {};
    DWORD length = GetModuleFileNameW(nullptr, path, MAX_PATH);
    if (length == 0 || length >= MAX_PATH)
        return fileName;
    std::wstring folder(path, length);
    folder.erase(folder.find_last_of(L"\\/") + 1);
    return folder + fileName;
}

// Owner of a module loaded as a data file; frees it on destruction.
class CResourceModule
{
public:
    explicit CResourceModule(const wchar_t* fileName)
        : m_path(PathBesideTest(fileName)),
          m_module(LoadLibraryExW(m_path.c_str(), nullptr,
                                  LOAD_LIBRARY_AS_DATAFILE | LOAD_LIBRARY_AS_IMAGE_RESOURCE))
    {
    }
    ~CResourceModule()
    {
        if (m_module)
            FreeLibrary(m_module);
    }
    CResourceModule(const CResourceModule&) = delete;
    CResourceModule& operator=(const CResourceModule&) = delete;

    HMODULE Get() const { return m_module; }
    const std::wstring& Path() const { return m_path; }

    // The raw bytes of one resource, or {nullptr, 0} when it is missing.
    std::pair<const BYTE*, DWORD> Bytes(const wchar_t* type, const wchar_t* name) const
    {
        HRSRC info = FindResourceW(m_module, name, type);
        if (!info)
            return {nullptr, 0};
        HGLOBAL loaded = LoadResource(m_module, info);
        const void* data = loaded ? LockResource(loaded) : nullptr;
        if (!data)
            return {nullptr, 0};
        return {static_cast<const BYTE*>(data), SizeofResource(m_module, info)};
    }

private:
    std::wstring m_path;
    HMODULE m_module;
};
