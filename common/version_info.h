#pragma once
// The version resource of a file, and the lines both programs build from it.
#include <windows.h>

#include <memory>
#include <string>

class CVersionInfo : public VS_FIXEDFILEINFO
{
public:
    CVersionInfo();
    virtual ~CVersionInfo();
    CVersionInfo(const CVersionInfo&) = delete;
    CVersionInfo& operator=(const CVersionInfo&) = delete;

    // Reads the version resource of `path`. A file without one fails with the
    // system's error; a resource with a bad signature with ERROR_INVALID_DATA.
    bool Load(const wchar_t* path);

    // Raw VerQueryValueW of a string of the first translation. No translation
    // table: ERROR_INVALID_DATA; an empty one: ERROR_NO_MORE_ITEMS.
    bool QueryString(const wchar_t* name, const wchar_t** value, UINT* length) const;

    // The string cut at its first NUL and trimmed of white space (iswspace).
    bool GetString(const wchar_t* name, std::wstring& text) const;

    WORD Major() const { return HIWORD(dwFileVersionMS); }
    WORD Minor() const { return LOWORD(dwFileVersionMS); }
    WORD Build() const { return HIWORD(dwFileVersionLS); }
    WORD Revision() const { return LOWORD(dwFileVersionLS); }
    bool IsPreRelease() const { return (dwFileFlags & VS_FF_PRERELEASE) != 0; }

protected:
    // Loads the running program's own file.
    void LoadRunningModule();

private:
    void Clear();

    std::unique_ptr<BYTE[]> m_block;       // the whole resource
    const DWORD* m_translations = nullptr; // (language, code page) pairs in m_block
    UINT m_translationCount = 0;
};

// The tray program's lines (texts from its string table, ids 27002..27005).
class CAppVersionInfo : public CVersionInfo
{
public:
    CAppVersionInfo();
    // "Version 2.1 (Build 49)", with " [BETA]" and ", 32-bit." as they apply.
    bool VersionLine(std::wstring& text) const;
    // LegalCopyright up to and including its first period.
    bool LegalNoticeLine(std::wstring& text) const;
};

// The console tool's banner title (fixed texts).
class CConsoleVersionInfo : public CVersionInfo
{
public:
    CConsoleVersionInfo();
    // "<FileDescription> - Version 1.1 (build 5)", with " [BETA]" and ", 32-bit."
    bool TitleLine(std::wstring& text) const;
};

// True for a 32-bit process on 64-bit Windows.
bool IsWow64();
