#include "settings/settings_file.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <utility>

namespace {

class SettingsFileTest : public ::testing::Test
{
protected:
    // Loads a file holding the declaration and `body` into a model with defaults.
    CSettingsModel Load(const std::string& body)
    {
        EXPECT_TRUE(WriteBytes(path, SettingsDocument(body)));
        CSettingsModel model;
        model.AutoResume.time = startTime;
        WINDOWPLACEMENT placement{};
        placement.length = sizeof(placement);
        EXPECT_TRUE(LoadSettings(path.c_str(), model, placement)) << body;
        return model;
    }

    CTestFolder folder;
    std::wstring path = folder.File(L"Tarvik.xml");
    SYSTEMTIME startTime = LocalOf(2025, 6, 7, 8, 9, 10, 11);
};

// A model in which every field differs from its default.
CSettingsModel Changed()
{
    CSettingsModel model;
    model.Window.minimized = true;
    model.Suspend.allowed = false;
    model.Suspend.blanking = false;
    model.Suspend.condition = CONDITION_NO_CONNECTION;
    model.TcpPorts.endpoint = ENDPOINT_BOTH;
    model.TcpPorts.list = {22, 80, 443, 65535};
    model.AutoResume.enabled = true;
    model.AutoResume.mode = RESUME_DAILY;
    model.AutoResume.delay = 86399;
    model.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0, 999);
    model.AutoSuspend.enabled = true;
    model.AutoSuspend.delay = 60;
    model.AutoSuspend.state = SUSPEND_STATE_HIBERNATE;
    model.Command.run = true;
    model.Command.text = L"\"C:\\Program Files\\A & B\\t\u00e4sk.exe\"  /x\t<y> 'z' \u20ac";
    return model;
}

} // namespace

// Each document loads as the defaults with the listed changes and nothing else.
TEST_F(SettingsFileTest, FieldsAreReadOnlyWhereAndAsTheyBelong)
{
    using CChange = void (*)(CSettingsModel&);
    const CChange none = [](CSettingsModel&) {};
    const std::pair<std::string, CChange> cases[] = {
        {"<Application/>", none},
        {"<Application></Application>", none},
        // Another root gives defaults; one named like a section is read as that section.
        {"<Settings><Suspend allowed=\"false\"/></Settings>", none},
        {"<application><Suspend allowed=\"false\"/></application>", none},
        {"<Suspend allowed=\"false\"><TcpPorts>21</TcpPorts></Suspend>",
         [](CSettingsModel& m) { m.Suspend.allowed = false; m.TcpPorts.list = {21}; }},
        // Booleans are case-sensitive and "1" means true.
        {"<Application><Window minimized=\"TRUE\"/></Application>", none},
        {"<Application><Window minimized=\"yes\"/></Application>", none},
        {"<Application><Window minimized=\"1\"/></Application>", [](CSettingsModel& m) { m.Window.minimized = true; }},
        {"<Application><Suspend allowed=\"0\" blanking=\"False\"/></Application>",
         [](CSettingsModel& m) { m.Suspend.allowed = false; }},
        // Numbers and choices outside their ranges keep the defaults.
        {"<Application><AutoResume><AutoSuspend delay=\"60\" state=\"1\"/></AutoResume></Application>",
         [](CSettingsModel& m) { m.AutoSuspend.delay = 60; m.AutoSuspend.state = SUSPEND_STATE_HIBERNATE; }},
        {"<Application><AutoResume><AutoSuspend delay=\"59\" state=\"2\"/></AutoResume></Application>", none},
        {"<Application><Suspend><TcpPorts endpoint=\"0\"/></Suspend></Application>", none},
        {"<Application><Suspend><TcpPorts endpoint=\"4\"/></Suspend></Application>", none},
        {"<Application><Suspend><TcpPorts endpoint=\"-1\"/></Suspend></Application>", none},
        {"<Application><Suspend><TcpPorts endpoint=\"x\"/></Suspend></Application>", none},
        {"<Application><Suspend><TcpPorts endpoint=\"3\"/></Suspend></Application>",
         [](CSettingsModel& m) { m.TcpPorts.endpoint = ENDPOINT_BOTH; }},
        {"<Application><Suspend condition=\"2\"/></Application>", none},
        {"<Application><AutoResume mode=\"3\"/></Application>", none},
        {"<Application><AutoResume mode=\"2\"/></Application>",
         [](CSettingsModel& m) { m.AutoResume.mode = RESUME_DAILY; }},
        // A port text without ports forces the condition to "always".
        {"<Application><Suspend condition=\"1\"><TcpPorts>0 70000 ,</TcpPorts></Suspend></Application>", none},
        {"<Application><Suspend condition=\"1\"><TcpPorts/></Suspend></Application>", none},
        {"<Application><Suspend condition=\"1\"><TcpPorts endpoint=\"1\">443 80,,80</TcpPorts></Suspend></Application>",
         [](CSettingsModel& m) {
             m.TcpPorts.list = {80, 443};
             m.Suspend.condition = CONDITION_NO_CONNECTION;
             m.TcpPorts.endpoint = ENDPOINT_LOCAL;
         }},
        // A command is trimmed (U+3000 is white space too); an empty one never runs.
        {"<Application><AutoResume><Command run=\"true\">   </Command></AutoResume></Application>", none},
        {"<Application><AutoResume><Command run=\"true\"/></AutoResume></Application>", none},
        {"<Application><AutoResume><Command run=\"1\">\t\r\n calc.exe  /a\t/b \t&#13;\xE3\x80\x80</Command>"
         "</AutoResume></Application>",
         [](CSettingsModel& m) { m.Command.text = L"calc.exe  /a\t/b"; m.Command.run = true; }},
        // Only the first section of a name counts; children stay in their parent.
        {"<Application><Suspend allowed=\"false\"/><Suspend blanking=\"false\"/>"
         "<AutoSuspend enabled=\"true\" delay=\"61\"/><Command run=\"1\">x</Command></Application>",
         [](CSettingsModel& m) { m.Suspend.allowed = false; }},
        {"<Application><Suspend blanking=\"false\"/><AutoResume enabled=\"true\"/></Application>",
         [](CSettingsModel& m) { m.Suspend.blanking = false; m.AutoResume.enabled = true; }},
        // A time is read as UTC, with or without its zone; a broken one keeps the start time.
        {"<Application><AutoResume time=\"2026-12-05T20:30:00.000Z\"/></Application>",
         [](CSettingsModel& m) { m.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0, 0); }},
        {"<Application><AutoResume time=\"2026-12-05T20:30:00.000\"/></Application>",
         [](CSettingsModel& m) { m.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0, 0); }},
        {"<Application><AutoResume time=\"2026-12-05T20:30\"/></Application>", none},
    };
    for (const auto& c : cases) {
        CSettingsModel expected;
        expected.AutoResume.time = startTime;
        c.second(expected);
        EXPECT_EQ(ModelText(expected), ModelText(Load(c.first))) << c.first;
    }
}

TEST_F(SettingsFileTest, ResumeDelayOutsideItsRangeKeepsTheDefault)
{
    const struct
    {
        const char* text;
        int delay;
    } cases[] = {
        {"0x258", 600},  {"600", 600},   {"86399", 86399}, {"599", 3600},
        {"86400", 3600}, {"12abc", 3600}, {"-600", 3600},  {"4294967896", 3600},
        {"01130", 600},  {"", 3600},
    };
    for (const auto& c : cases) {
        std::string body = "<Application><AutoResume delay=\"" + std::string(c.text) +
                           "\"/></Application>";
        EXPECT_EQ(c.delay, Load(body).AutoResume.delay) << c.text;
    }
}

TEST_F(SettingsFileTest, APortTextOver80CharactersIsRefusedWhole)
{
    // 16 ports of five characters with commas: 16 * 6 - 1 = 95 characters.
    std::string longText;
    for (int port = 10001; port <= 10016; ++port)
        longText += (longText.empty() ? "" : ",") + std::to_string(port);
    std::string exact = longText.substr(0, 80);
    ASSERT_EQ(80u, exact.size());

    CSettingsModel model = Load("<Application><Suspend condition=\"1\"><TcpPorts>" + longText +
                                "</TcpPorts></Suspend></Application>");
    EXPECT_TRUE(model.TcpPorts.list.empty());
    EXPECT_EQ(CONDITION_NO_CONNECTION, model.Suspend.condition) << "a refused text is not read";

    model = Load("<Application><Suspend condition=\"1\"><TcpPorts>" + exact +
                 "</TcpPorts></Suspend></Application>");
    // Thirteen whole ports and the "10" that the cut left of the fourteenth.
    ASSERT_EQ(14u, model.TcpPorts.list.size());
    EXPECT_EQ(10, model.TcpPorts.list.front());
    EXPECT_EQ(10013, model.TcpPorts.list.back());
}

TEST_F(SettingsFileTest, ACommandOver1024CharactersIsRefusedWhole)
{
    std::string exact = "x" + std::string(1022, 'a') + "y";
    CSettingsModel model = Load("<Application><AutoResume><Command run=\"true\">" + exact +
                                "</Command></AutoResume></Application>");
    EXPECT_EQ(1024u, model.Command.text.size());
    EXPECT_TRUE(model.Command.run);

    model = Load("<Application><AutoResume><Command run=\"true\">" + exact +
                 "z</Command></AutoResume></Application>");
    EXPECT_EQ(L"", model.Command.text);
    EXPECT_FALSE(model.Command.run);
}

TEST_F(SettingsFileTest, SavingThenLoadingReproducesEveryField)
{
    const CSettingsModel saved = Changed();
    WINDOWPLACEMENT none{};
    none.length = sizeof(none);
    ASSERT_TRUE(SaveSettings(path.c_str(), saved, none)) << GetLastError();

    CSettingsModel loaded;
    WINDOWPLACEMENT placement{};
    ASSERT_TRUE(LoadSettings(path.c_str(), loaded, placement));
    EXPECT_EQ(ModelText(saved), ModelText(loaded));
    EXPECT_TRUE(SameTime(saved.AutoResume.time, loaded.AutoResume.time));
    EXPECT_EQ(saved.Command.text, loaded.Command.text);

    const CSettingsModel defaults;
    ASSERT_TRUE(SaveSettings(path.c_str(), defaults, none));
    CSettingsModel reloaded = Changed();
    ASSERT_TRUE(LoadSettings(path.c_str(), reloaded, placement));
    EXPECT_EQ(ModelText(defaults), ModelText(reloaded)) << "defaults are written out too";
}

namespace {

// The document with the white space between tags and before end tags removed.
std::string Squeezed(const std::string& xml)
{
    std::string out;
    for (size_t i = 0; i < xml.size();) {
        size_t j = xml.find_first_not_of(" \t\r\n", i);
        if (j == i) {
            out += xml[i++];
            continue;
        }
        j = std::min(j, xml.size());
        // Indentation and line breaks touch a tag; white space inside a text does not.
        if ((j == xml.size() || xml[j] != '<') && (out.empty() || out.back() != '>'))
            out.append(xml, i, j - i);
        i = j;
    }
    return out;
}

// The indentation of the line that holds the start tag `<name`; -2 when
// something else precedes it on its line.
int IndentOf(const std::string& xml, const std::string& name)
{
    size_t at = 0;
    while ((at = xml.find("<" + name, at)) != std::string::npos && !strchr(" >/", xml[at + 1 + name.size()]))
        ++at;
    if (at == std::string::npos)
        return -1;
    const size_t lineStart = xml.rfind('\n', at) + 1; // npos + 1 is 0
    const std::string lead = xml.substr(lineStart, at - lineStart);
    if (lead.find_first_not_of(" \t") != std::string::npos)
        return -2;
    int width = 0;
    for (char c : lead)
        width += c == '\t' ? 8 : 1;
    return width;
}

} // namespace

TEST_F(SettingsFileTest, TheFileIsIndentedUtf8WithElementsAndAttributesInOrder)
{
    CSettingsModel model = Changed();
    model.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0, 250);
    model.Command.text = L"notepad.exe \"a&b<c>.txt\" \u20ac";
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    placement.flags = WPF_RESTORETOMAXIMIZED;
    placement.showCmd = SW_SHOWNORMAL;
    placement.ptMinPosition = POINT{-1, -1};
    placement.ptMaxPosition = POINT{-8, -8};
    placement.rcNormalPosition = RECT{10, 20, 410, 320};
    ASSERT_TRUE(SaveSettings(path.c_str(), model, placement));

    const std::string bytes = ReadBytes(path);
    const std::string declaration =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";
    ASSERT_EQ(declaration, bytes.substr(0, declaration.size())) << "no byte-order mark either";
    EXPECT_EQ(
        declaration +
            "<Application>"
            "<Window minimized=\"true\"><Placement showCmd=\"1\" flags=\"0x00000002\""
            " ptMinPosition=\"-1,-1\" ptMaxPosition=\"-8,-8\" rcNormalPosition=\"10,20,410,320\"/>"
            "</Window>"
            "<Suspend allowed=\"false\" blanking=\"false\" condition=\"1\">"
            "<TcpPorts endpoint=\"3\">22,80,443,65535</TcpPorts></Suspend>"
            "<AutoResume enabled=\"true\" mode=\"2\" delay=\"86399\" time=\"2026-12-05T20:30:00.250Z\">"
            "<AutoSuspend enabled=\"true\" delay=\"60\" state=\"1\"/>"
            "<Command run=\"true\">notepad.exe \"a&amp;b&lt;c&gt;.txt\" \xE2\x82\xAC</Command>"
            "</AutoResume></Application>",
        Squeezed(bytes));

    // One element per line, each level indented further than its parent.
    const int application = IndentOf(bytes, "Application");
    const int window = IndentOf(bytes, "Window");
    const int placementIndent = IndentOf(bytes, "Placement");
    EXPECT_EQ(0, application);
    EXPECT_GT(window, application);
    EXPECT_EQ(window, IndentOf(bytes, "Suspend"));
    EXPECT_EQ(window, IndentOf(bytes, "AutoResume"));
    EXPECT_GT(placementIndent, window);
    EXPECT_EQ(placementIndent, IndentOf(bytes, "TcpPorts"));
    EXPECT_EQ(placementIndent, IndentOf(bytes, "AutoSuspend"));
    EXPECT_EQ(placementIndent, IndentOf(bytes, "Command"));
}
