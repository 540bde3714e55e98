// The version resources: the numbers of resources/version.h, the strings the
// About page, the console banner and the data folder are built from, and
// the © sign surviving the UTF-8 source.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/version.h"
#include "tests/resources/resource_module.h"

namespace {

#define TARVIK_WIDEN2(x) L##x
#define TARVIK_WIDEN(x)  TARVIK_WIDEN2(x)

class CVersionBlock
{
public:
    explicit CVersionBlock(const std::wstring& path)
    {
        DWORD ignored = 0;
        DWORD size = GetFileVersionInfoSizeW(path.c_str(), &ignored);
        if (size == 0)
            return;
        m_block.resize(size);
        if (!GetFileVersionInfoW(path.c_str(), 0, size, m_block.data()))
            m_block.clear();
    }

    bool Ok() const { return !m_block.empty(); }

    const VS_FIXEDFILEINFO* Fixed() const
    {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_block.data(), L"\\", &value, &length) || length < sizeof(VS_FIXEDFILEINFO))
            return nullptr;
        return static_cast<const VS_FIXEDFILEINFO*>(value);
    }

    std::vector<DWORD> Translations() const
    {
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_block.data(), L"\\VarFileInfo\\Translation", &value, &length))
            return {};
        const DWORD* pairs = static_cast<const DWORD*>(value);
        return std::vector<DWORD>(pairs, pairs + length / sizeof(DWORD));
    }

    // A string of the U.S. English, Unicode table, cut at its first NUL.
    bool String(const wchar_t* name, std::wstring& text) const
    {
        std::wstring path = std::wstring(L"\\StringFileInfo\\040904b0\\") + name;
        void* value = nullptr;
        UINT length = 0;
        if (!VerQueryValueW(m_block.data(), path.c_str(), &value, &length))
            return false;
        text.assign(static_cast<const wchar_t*>(value), length);
        text.resize(wcsnlen(text.c_str(), text.size()));
        return true;
    }

private:
    std::vector<BYTE> m_block;
};

struct Program
{
    const wchar_t* file;
    const wchar_t* description;
    const wchar_t* internalName;
};

const Program kPrograms[] = {
    {L"Tarvik.exe", L"Tarvik power manager", L"Tarvik"},
    {L"suspend.exe", L"Tarvik Suspend Tool", L"suspend"},
};

const wchar_t kCopyright[] =
    L"Copyright \u00A9 2026 Tarvik Developers. Licensed under the MIT License.";

// The exact notice also fixes where the About page cuts it: at the first
// period, after the maker.
TEST(VersionTest, NumbersAndStringsOfBothPrograms)
{
    for (const Program& program : kPrograms) {
        SCOPED_TRACE(testing::Message() << program.file);
        CVersionBlock block(PathBesideTest(program.file));
        ASSERT_TRUE(block.Ok()) << GetLastError();
        const VS_FIXEDFILEINFO* fixed = block.Fixed();
        ASSERT_NE(fixed, nullptr);
        EXPECT_EQ(fixed->dwSignature, 0xFEEF04BDu);
        const DWORD ms = MAKELONG(TARVIK_VERSION_MINOR, TARVIK_VERSION_MAJOR);
        const DWORD ls = MAKELONG(TARVIK_VERSION_REVISION, TARVIK_VERSION_BUILD);
        EXPECT_EQ(fixed->dwFileVersionMS, ms);
        EXPECT_EQ(fixed->dwFileVersionLS, ls);
        EXPECT_EQ(fixed->dwProductVersionMS, ms);
        EXPECT_EQ(fixed->dwProductVersionLS, ls);
        EXPECT_EQ(fixed->dwFileFlags & fixed->dwFileFlagsMask & VS_FF_PRERELEASE, 0u)
            << "a release build shows no [BETA]";
        EXPECT_EQ(fixed->dwFileType, static_cast<DWORD>(VFT_APP));

        // The first translation is the one every reader uses.
        std::vector<DWORD> translations = block.Translations();
        ASSERT_FALSE(translations.empty());
        EXPECT_EQ(LOWORD(translations[0]), 0x0409);
        EXPECT_EQ(HIWORD(translations[0]), 1200);

        const std::pair<const wchar_t*, std::wstring> expected[] = {
            {L"CompanyName", L"Tarvik Developers"},
            {L"ProductName", L"Tarvik"},
            {L"LegalCopyright", kCopyright},
            {L"FileDescription", program.description},
            {L"InternalName", program.internalName},
            {L"OriginalFilename", program.file},
            {L"FileVersion", TARVIK_WIDEN(TARVIK_VERSION_TEXT)},
            {L"ProductVersion", TARVIK_WIDEN(TARVIK_VERSION_TEXT)},
        };
        for (const auto& [name, value] : expected) {
            std::wstring text;
            EXPECT_TRUE(block.String(name, text)) << name;
            EXPECT_EQ(text, value) << name;
        }
    }
}

} // namespace
