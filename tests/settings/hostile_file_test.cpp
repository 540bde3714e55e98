// Files that are not settings, broken ones and ones that try to make the
// loader read elsewhere: each loads as defaults, quietly.
#include "settings/settings_file.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

class HostileFileTest : public ::testing::Test
{
protected:
    // Loads `bytes` as the settings file: the load fails and changes nothing.
    void ExpectDefaults(const std::string& bytes)
    {
        ASSERT_TRUE(WriteBytes(path, bytes));
        CSettingsModel model;
        const std::string defaults = ModelText(model);
        WINDOWPLACEMENT placement{};
        EXPECT_FALSE(LoadSettings(path.c_str(), model, placement));
        EXPECT_EQ(defaults, ModelText(model));
        EXPECT_EQ(std::string::npos, ModelText(model).find("SECRET"));
        EXPECT_TRUE(IsRectEmpty(&placement.rcNormalPosition));
    }
    // A file outside the settings that nothing may read.
    std::wstring Secret()
    {
        std::wstring secret = folder.File(L"secret.txt");
        EXPECT_TRUE(WriteBytes(secret, "4444 SECRET"));
        return secret;
    }
    std::string Url(const std::wstring& file)
    {
        std::string url = "file:///" + WideToUtf8(file);
        for (char& c : url)
            if (c == '\\')
                c = '/';
        return url;
    }

    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
};

} // namespace

TEST_F(HostileFileTest, AMissingFileOrPathLoadsNothing)
{
    CSettingsModel model;
    const std::string defaults = ModelText(model);
    WINDOWPLACEMENT placement{};
    EXPECT_FALSE(LoadSettings(path.c_str(), model, placement));
    EXPECT_FALSE(LoadSettings(L"", model, placement));
    EXPECT_FALSE(LoadSettings(nullptr, model, placement));
    EXPECT_EQ(defaults, ModelText(model));
}

// Text that is not XML, a half-written file, and ten megabytes of junk alone
// or behind a good beginning (the parser must read on and still refuse).
TEST_F(HostileFileTest, WhatIsNotAWholeDocumentLoadsDefaults)
{
    const std::string whole = SettingsDocument(
        "<Application><Window minimized=\"true\"/><Suspend allowed=\"false\" blanking=\"false\">"
        "<TcpPorts endpoint=\"3\">80</TcpPorts></Suspend></Application>");
    std::string junk(10 * 1024 * 1024, '\0');
    unsigned state = 12345;
    for (char& c : junk) {
        state = state * 1103515245u + 12345u;
        c = static_cast<char>(state >> 24);
    }
    for (const std::string& bytes :
         {std::string(), std::string("minimized=true\r\nallowed=false\r\n"), std::string("\0\0\0\0", 4),
          std::string("<Application><Window minimized=\"true\"/><Suspend allowed=\"false\"/>"),
          whole.substr(0, whole.size() / 4), whole.substr(0, whole.size() / 2), whole.substr(0, whole.size() - 4),
          junk, SettingsDocument("<Application><Window minimized=\"true\"/>") + junk})
        ExpectDefaults(bytes);
}

// The settings never carry a document type: an inner one that would supply a
// default, entities from other files, an outer type and entities that grow
// without bound are all refused whole.
TEST_F(HostileFileTest, ADocumentTypeOfAnyKindIsRefused)
{
    const std::wstring secret = Secret();
    ASSERT_TRUE(WriteBytes(folder.File(L"defaults.dtd"),
                           "<!ATTLIST Window minimized CDATA \"true\">\n"
                           "<!ENTITY % leak SYSTEM \"secret.txt\">\n"));
    std::vector<std::string> documentTypes = {
        "<!DOCTYPE Application [<!ATTLIST Window minimized CDATA \"true\">]>",
        "<!DOCTYPE Application SYSTEM \"defaults.dtd\">",
        "<!DOCTYPE Application SYSTEM \"" + Url(folder.File(L"defaults.dtd")) + "\">",
    };
    for (const std::string& system : {Url(secret), WideToUtf8(secret), std::string("secret.txt")})
        documentTypes.push_back("<!DOCTYPE Application [<!ENTITY ext SYSTEM \"" + system +
                                "\">]>");
    std::string entities = "<!ENTITY a0 \"SECRET\">";
    for (int i = 1; i <= 9; ++i) {
        entities += "<!ENTITY a" + std::to_string(i) + " \"";
        for (int k = 0; k < 10; ++k)
            entities += "&a" + std::to_string(i - 1) + ";";
        entities += "\">";
    }
    documentTypes.push_back("<!DOCTYPE Application [" + entities + "<!ENTITY ext \"&a9;\">]>");

    // Where an entity is declared it lands in a port list and a command.
    for (const std::string& documentType : documentTypes) {
        SCOPED_TRACE(documentType);
        const std::string use =
            documentType.find("ENTITY ext") != std::string::npos ? "&ext;" : "";
        ExpectDefaults(SettingsDocument(
            documentType + "<Application><Window/><Suspend condition=\"1\"><TcpPorts>" + use +
            "</TcpPorts></Suspend><AutoResume><Command run=\"1\">" + use +
            "</Command></AutoResume></Application>"));
    }
}
