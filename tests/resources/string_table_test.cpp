// The string tables: every IDS_ id of resource.h is present in the tray
// program, the support-library texts in both programs, and the texts whose
// escapes or format fields the resource compiler could spoil are intact.
#include <windows.h>

#include <gtest/gtest.h>

#include <fstream>
#include <regex>
#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/resources/resource_module.h"

namespace {

// The text of a string resource; `found` tells whether the id exists at all.
std::wstring LoadText(HMODULE module, UINT id, bool* found = nullptr)
{
    const wchar_t* text = nullptr;
    int length = LoadStringW(module, id, reinterpret_cast<LPWSTR>(&text), 0);
    if (found)
        *found = length > 0 && text;
    return length > 0 && text ? std::wstring(text, length) : std::wstring();
}

// Every "#define IDS_NAME number" of the shared header, read from the source
// tree so that an id added later is checked too.
std::vector<std::pair<std::string, UINT>> StringIdsOfHeader()
{
    std::vector<std::pair<std::string, UINT>> ids;
    std::ifstream header(TARVIK_RESOURCE_HEADER);
    const std::regex define(R"(^\s*#define\s+(IDS_\w+)\s+(\d+))");
    std::string line;
    std::smatch match;
    while (std::getline(header, line))
        if (std::regex_search(line, match, define))
            ids.emplace_back(match[1], static_cast<UINT>(std::stoul(match[2])));
    return ids;
}

bool IsSupportLibraryId(UINT id)
{
    return id >= 27002 && id <= 27009;
}

TEST(StringTableTest, TrayProgramHasEveryStringOfTheHeader)
{
    CResourceModule tarvik(L"Tarvik.exe");
    ASSERT_NE(tarvik.Get(), nullptr);
    auto ids = StringIdsOfHeader();
    ASSERT_GE(ids.size(), 40u) << "could not read " << TARVIK_RESOURCE_HEADER;
    for (const auto& [name, id] : ids) {
        bool found = false;
        std::wstring text = LoadText(tarvik.Get(), id, &found);
        EXPECT_TRUE(found) << name << " (" << id << ") is missing";
        EXPECT_EQ(text.find_first_not_of(L" \t"), 0u) << name << " is blank or starts with space";
    }
}

TEST(StringTableTest, ConsoleToolHasTheSupportLibraryTextsOnly)
{
    CResourceModule tarvik(L"Tarvik.exe");
    CResourceModule tool(L"suspend.exe");
    ASSERT_NE(tarvik.Get(), nullptr);
    ASSERT_NE(tool.Get(), nullptr);
    for (const auto& [name, id] : StringIdsOfHeader()) {
        bool found = false;
        std::wstring text = LoadText(tool.Get(), id, &found);
        if (IsSupportLibraryId(id)) {
            EXPECT_TRUE(found) << name;
            EXPECT_EQ(text, LoadText(tarvik.Get(), id)) << name << " differs between the programs";
        } else {
            EXPECT_FALSE(found) << name << " needlessly in suspend.exe";
        }
    }
}

TEST(StringTableTest, TextsThatCodeParsesAreIntact)
{
    CResourceModule tarvik(L"Tarvik.exe");
    ASSERT_NE(tarvik.Get(), nullptr);
    HMODULE m = tarvik.Get();
    EXPECT_EQ(LoadText(m, IDS_APP_NAME), L"Tarvik");
    EXPECT_EQ(LoadText(m, IDS_VERSION), L"Version %s");
    EXPECT_EQ(LoadText(m, IDS_VERSION_NUMBER), L"%hu.%hu (Build %hu)");
    EXPECT_EQ(LoadText(m, IDS_32BIT), L"32-bit");
    // Doubled quotes in the script become one quote: the task dialog's link.
    EXPECT_EQ(LoadText(m, IDS_CRASH_CONTENT),
              L"A <a href=\"minidump\">crash dump file</a> has been created and the application "
              L"will close.");
    // "\n" escapes become line feeds, and the one field stays a wide %s.
    std::wstring message = LoadText(m, IDS_CRASH_MESSAGE);
    EXPECT_EQ(message.find(L'\\'), std::wstring::npos);
    EXPECT_NE(message.find(L".\nA crash"), std::wstring::npos);
    EXPECT_NE(message.find(L"\n\nCrash dump filename:\n%s"), std::wstring::npos);
    // The log lines with one argument keep exactly one field.
    for (UINT id : {IDS_LOG_PORTS_ACTIVE, IDS_TIP_PORTS, IDS_LOG_RUNNING_COMMAND,
                    IDS_LOG_SUSPEND_SCHEDULED, IDS_LOG_RESUME_SCHEDULED}) {
        std::wstring text = LoadText(m, id);
        EXPECT_EQ(text.find(L"%s"), text.rfind(L"%")) << id << ": " << text;
        EXPECT_NE(text.find(L"%s"), std::wstring::npos) << id;
    }
}

} // namespace
