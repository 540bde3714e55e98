#include "common/version_info.h"

#include "common/handles.h"
#include "common/module.h"
#include "common/resource_string.h"
#include "common/system_helpers.h"
#include "resources/resource.h"

#include <cwchar>
#include <cwctype>
#include <new>

namespace {

constexpr DWORD FixedInfoSignature = 0xFEEF04BD;

} // namespace

CVersionInfo::CVersionInfo()
{
    Clear();
}

CVersionInfo::~CVersionInfo()
{
    Clear();
}

void CVersionInfo::Clear()
{
    VS_FIXEDFILEINFO& fixed = *this;
    fixed = VS_FIXEDFILEINFO{};
    m_block.reset();
    m_translations = nullptr;
    m_translationCount = 0;
}

bool CVersionInfo::Load(const wchar_t* path)
{
    Clear();
    if (!path) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    DWORD handle = 0;
    DWORD size = GetFileVersionInfoSizeW(path, &handle);
    if (size == 0)
        return false;
    m_block.reset(new (std::nothrow) BYTE[size]);
    BYTE* block = m_block.get();
    if (!block) {
        SetLastError(ERROR_OUTOFMEMORY);
        return false;
    }

    void* fixed = nullptr;
    UINT fixedLength = 0;
    if (!GetFileVersionInfoW(path, 0, size, block) ||
        !VerQueryValueW(block, L"\\", &fixed, &fixedLength)) {
        Clear();
        return false;
    }
    if (!fixed || fixedLength < sizeof(VS_FIXEDFILEINFO) ||
        static_cast<const VS_FIXEDFILEINFO*>(fixed)->dwSignature != FixedInfoSignature) {
        Clear();
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    static_cast<VS_FIXEDFILEINFO&>(*this) = *static_cast<const VS_FIXEDFILEINFO*>(fixed);

    void* translations = nullptr;
    UINT translationLength = 0;
    if (!VerQueryValueW(block, L"\\VarFileInfo\\Translation", &translations, &translationLength)) {
        // The fixed numbers stay: the version line needs no translation.
        CKeepLastError keep;
        m_block.reset();
        return false;
    }
    m_translations = static_cast<const DWORD*>(translations);
    m_translationCount = translationLength / sizeof(DWORD);
    return true;
}

bool CVersionInfo::QueryString(const wchar_t* name, const wchar_t** value, UINT* length) const
{
    if (!m_block || !m_translations) {
        SetLastError(ERROR_INVALID_DATA);
        return false;
    }
    if (m_translationCount == 0) {
        SetLastError(ERROR_NO_MORE_ITEMS);
        return false;
    }
    if (!name || !value || !length) {
        SetLastError(ERROR_INVALID_PARAMETER);
        return false;
    }
    // Each pair is stored as two 16-bit words: language first, code page second.
    const WORD* pair = reinterpret_cast<const WORD*>(m_translations);
    std::wstring subBlock =
        FormatText(L"\\StringFileInfo\\%04x%04x\\%s", static_cast<unsigned>(pair[0]),
                   static_cast<unsigned>(pair[1]), name);
    void* found = nullptr;
    UINT foundLength = 0;
    if (!VerQueryValueW(m_block.get(), subBlock.c_str(), &found, &foundLength))
        return false;
    *value = static_cast<const wchar_t*>(found);
    *length = foundLength;
    return true;
}

bool CVersionInfo::GetString(const wchar_t* name, std::wstring& text) const
{
    const wchar_t* value = nullptr;
    UINT length = 0;
    if (!QueryString(name, &value, &length))
        return false;
    std::wstring copy(value ? value : L"", value ? length : 0);
    size_t nul = copy.find(L'\0');
    if (nul != std::wstring::npos)
        copy.resize(nul);
    text = Trim(copy);
    return true;
}

void CVersionInfo::LoadRunningModule()
{
    Clear();
    const std::wstring path = ModuleFileName();
    if (!path.empty())
        Load(path.c_str());
}

CAppVersionInfo::CAppVersionInfo()
{
    LoadRunningModule();
}

bool CAppVersionInfo::VersionLine(std::wstring& text) const
{
    std::wstring number = FormatResourceString(IDS_VERSION_NUMBER, Major(), Minor(), Build());
    std::wstring line = FormatResourceString(IDS_VERSION, number.c_str());
    if (IsPreRelease())
        line += L" [BETA]";
    if (IsWow64())
        line += FormatText(L", %s.", FormatResourceString(IDS_32BIT).c_str());
    text = line;
    return true;
}

bool CAppVersionInfo::LegalNoticeLine(std::wstring& text) const
{
    std::wstring legal;
    if (!GetString(L"LegalCopyright", legal))
        return false;
    size_t period = legal.find(L'.');
    if (period != std::wstring::npos)
        legal.resize(period + 1);
    text = legal;
    return true;
}

CConsoleVersionInfo::CConsoleVersionInfo()
{
    LoadRunningModule();
}

bool CConsoleVersionInfo::TitleLine(std::wstring& text) const
{
    std::wstring line;
    if (!GetString(L"FileDescription", line))
        return false;
    line += FormatText(L" - Version %hu.%hu (build %hu)", Major(), Minor(), Build());
    if (IsPreRelease())
        line += L" [BETA]";
    if (IsWow64())
        line += L", 32-bit.";
    text = line;
    return true;
}

bool IsWow64()
{
    using IsWow64ProcessFunction = BOOL(WINAPI*)(HANDLE, PBOOL);
    struct CWow64Query
    {
        CModule kernel;
        IsWow64ProcessFunction isWow64Process = nullptr;

        CWow64Query()
        {
            // Through the system directory only, like every bare library name.
            if (!kernel.Load(L"kernel32.dll", false))
                return;
            isWow64Process = reinterpret_cast<IsWow64ProcessFunction>(
                reinterpret_cast<void*>(GetProcAddress(kernel.Handle(), "IsWow64Process")));
            if (!isWow64Process)
                kernel.Free();
        }
    };
    static const CWow64Query query;
    if (!query.isWow64Process)
        return false;
    BOOL wow64 = FALSE;
    return query.isWow64Process(GetCurrentProcess(), &wow64) && wow64;
}
