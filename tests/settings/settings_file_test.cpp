// The settings file on disk through the real MSXML: reading, a save and a
// load, the written form, hostile files, the atomic save, and local times in
// a zone with summer time.
#include "tests/settings/settings_test_support.h"

#include <algorithm>
#include <filesystem>
#include <iterator>
#include <string>
#include <utility>
#include <vector>

namespace {

std::string Document(const std::string& body)
{
    return "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n" + body + "\r\n";
}

// The local time of a UTC moment, by the platform's own conversion.
SYSTEMTIME LocalOf(WORD year, WORD month, WORD day, WORD hour, WORD minute, WORD milliseconds)
{
    SYSTEMTIME utc{year, month, 0, day, hour, minute, 0, milliseconds}, local{};
    EXPECT_TRUE(SystemTimeToTzSpecificLocalTime(nullptr, &utc, &local));
    return local;
}

// A private folder per test, removed with its files.
class SettingsFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        static unsigned counter = 0;
        folder =
            std::filesystem::temp_directory_path() /
            ("settings-" + std::to_string(GetCurrentProcessId()) + "-" + std::to_string(++counter));
        std::filesystem::create_directory(folder);
        path = File(L"Tarvik.xml");
    }
    void TearDown() override
    {
        SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL); // made read-only by a test
        RemoveTree(folder);
    }
    std::wstring File(const wchar_t* name) const { return folder + L"\\" + name; }
    // The files in the folder: the settings alone when no temporary file is left behind.
    std::ptrdiff_t Files() const
    {
        return std::distance(std::filesystem::directory_iterator(folder), {});
    }
    // Loads a file holding the declaration and `body` into a model with defaults.
    CSettingsModel Load(const std::string& body)
    {
        EXPECT_TRUE(WriteBytes(path, Document(body)));
        CSettingsModel model;
        model.AutoResume.time = startTime;
        WINDOWPLACEMENT placement{};
        EXPECT_TRUE(LoadSettings(path.c_str(), model, placement)) << body;
        return model;
    }
    // Loads `bytes`: the load fails and changes nothing.
    void ExpectRefused(const std::string& bytes)
    {
        ASSERT_TRUE(WriteBytes(path, bytes));
        CSettingsModel model;
        const std::string defaults = ModelText(model);
        WINDOWPLACEMENT placement{};
        EXPECT_FALSE(LoadSettings(path.c_str(), model, placement));
        EXPECT_EQ(defaults, ModelText(model));
        EXPECT_TRUE(IsRectEmpty(&placement.rcNormalPosition));
    }

    std::wstring folder, path;
    SYSTEMTIME startTime = LocalOf(2025, 6, 7, 8, 9, 11);
};

} // namespace

// Each document loads as the defaults with the listed changes and nothing else.
TEST_F(SettingsFile, FieldsAreReadOnlyWhereAndAsTheyBelong)
{
    const auto app = [](const std::string& inner) {
        return "<Application>" + inner + "</Application>";
    };
    using CChange = void (*)(CSettingsModel&);
    const CChange none = [](CSettingsModel&) {};
    const std::pair<std::string, CChange> cases[] = {
        // Nothing to read, or not below the right root.
        {"<Application/>", none},
        {"<Settings><Suspend allowed=\"false\"/></Settings>", none},
        // Booleans are case-sensitive and "1" means true.
        {app("<Window minimized=\"TRUE\"/><AutoResume delay=\"86400\"/>"), none},
        {app("<Window minimized=\"1\"/>"), [](CSettingsModel& m) { m.Window.minimized = true; }},
        // Numbers and choices outside their ranges keep the defaults.
        {app("<AutoResume delay=\"0x258\"><AutoSuspend delay=\"60\"/></AutoResume>"),
         [](CSettingsModel& m) {
             m.AutoResume.delay = 600;
             m.AutoSuspend.delay = 60;
         }},
        {app("<AutoResume delay=\"599\"><AutoSuspend delay=\"59\" state=\"2\"/></AutoResume>"),
         none},
        {app("<AutoResume delay=\"12abc\" mode=\"3\"/><Suspend><TcpPorts "
             "endpoint=\"4\"/></Suspend>"),
         none},
        // No ports force the condition to "always": a refused text of 81
        // characters, no text at all.
        {app("<Suspend condition=\"1\"><TcpPorts>80" + std::string(77, ',') +
             "22</TcpPorts></Suspend>"),
         none},
        {app("<Suspend condition=\"1\"/>"), none},
        {app("<Suspend condition=\"1\"><TcpPorts endpoint=\"1\">443 80,,80</TcpPorts></Suspend>"),
         [](CSettingsModel& m) {
             m.TcpPorts.list = {80, 443};
             m.Suspend.condition = Condition::NoConnection;
             m.TcpPorts.endpoint = Endpoint::Local;
         }},
        // A command is trimmed (U+3000 is white space too); an empty one never runs.
        {app("<AutoResume><Command run=\"true\">   </Command></AutoResume>"), none},
        {app("<AutoResume><Command run=\"1\">\t\r\n calc.exe  /a\t/b \t&#13;\xE3\x80\x80</Command>"
             "</AutoResume>"),
         [](CSettingsModel& m) {
             m.Command.text = L"calc.exe  /a\t/b";
             m.Command.run = true;
         }},
        // A time is read as UTC, with or without its zone; a broken one keeps the start time.
        {app("<AutoResume time=\"2026-12-05T20:30:00.000Z\"/>"),
         [](CSettingsModel& m) { m.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0); }},
        {app("<AutoResume time=\"2026-12-05T20:30:00.000\"/>"),
         [](CSettingsModel& m) { m.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 0); }},
        // Each number has at most its written width; one digit is enough.
        {app("<AutoResume time=\"02026-12-05T20:30:00.000Z\"/>"), none},
        {app("<AutoResume time=\"2026-1-5T2:3:0.7Z\"/>"),
         [](CSettingsModel& m) { m.AutoResume.time = LocalOf(2026, 1, 5, 2, 3, 7); }},
    };
    for (const auto& c : cases) {
        CSettingsModel expected;
        expected.AutoResume.time = startTime;
        c.second(expected);
        EXPECT_EQ(ModelText(expected), ModelText(Load(c.first))) << c.first;
    }
}

// A saved file is exactly the expected bytes: UTF-8 without a byte-order
// mark, one element per line, a TAB per level, CR LF, elements and attributes
// in their fixed order, empty elements self-closed, and the text of each
// element exactly its value; characters XML cannot hold are left out. Loading
// it gives back the model, and saving that gives the same bytes again.
TEST_F(SettingsFile, ASaveIsExactlyTheExpectedFileAndALoadSavesItAgain)
{
    CSettingsModel full; // every field differs from its default
    full.Window.minimized = true;
    full.Suspend.allowed = false;
    full.Suspend.blanking = false;
    full.Suspend.condition = Condition::NoConnection;
    full.TcpPorts.endpoint = Endpoint::Both;
    full.TcpPorts.list = {22, 80, 443, 65535};
    full.AutoResume.enabled = true;
    full.AutoResume.mode = ResumeMode::Daily;
    full.AutoResume.delay = 86399;
    full.AutoResume.time = LocalOf(2026, 12, 5, 20, 30, 250);
    full.AutoSuspend.enabled = true;
    full.AutoSuspend.delay = 60;
    full.AutoSuspend.state = SuspendState::Hibernate;
    full.Command.run = true;
    // A control character, lone surrogates and a non-character cannot be written.
    full.Command.text = L"notepad.exe \"a&b<c>.txt\"\r\n\t\u20ac\x01\xD800 b\xFFFF\xDC00\U0001F600";
    const WINDOWPLACEMENT placement{sizeof(WINDOWPLACEMENT),
                                    WPF_RESTORETOMAXIMIZED,
                                    SW_SHOWMINIMIZED,
                                    {-32000, -32000},
                                    {-8, -8},
                                    {-1200, 35, -780, 515}};
    const std::string file =
        "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n"
        "<Application>\r\n"
        "\t<Window minimized=\"true\">\r\n"
        "\t\t<Placement showCmd=\"2\" flags=\"0x00000002\" ptMinPosition=\"-32000,-32000\""
        " ptMaxPosition=\"-8,-8\" rcNormalPosition=\"-1200,35,-780,515\"/>\r\n"
        "\t</Window>\r\n"
        "\t<Suspend allowed=\"false\" blanking=\"false\" condition=\"1\">\r\n"
        "\t\t<TcpPorts endpoint=\"3\">22,80,443,65535</TcpPorts>\r\n"
        "\t</Suspend>\r\n"
        "\t<AutoResume enabled=\"true\" mode=\"2\" delay=\"86399\" "
        "time=\"2026-12-05T20:30:00.250Z\">\r\n"
        "\t\t<AutoSuspend enabled=\"true\" delay=\"60\" state=\"1\"/>\r\n"
        "\t\t<Command run=\"true\">notepad.exe "
        "\"a&amp;b&lt;c&gt;.txt\"&#13;\n\t\xE2\x82\xAC b\xF0\x9F\x98\x80</Command>\r\n"
        "\t</AutoResume>\r\n"
        "</Application>";
    ASSERT_TRUE(SaveSettings(path.c_str(), full, placement)) << GetLastError();
    EXPECT_EQ(file, ReadBytes(path));

    CSettingsModel loaded;
    WINDOWPLACEMENT loadedPlacement{};
    ASSERT_TRUE(LoadSettings(path.c_str(), loaded, loadedPlacement));
    full.Command.text = L"notepad.exe \"a&b<c>.txt\"\r\n\t\u20ac b\U0001F600";
    EXPECT_EQ(ModelText(full), ModelText(loaded));
    EXPECT_EQ(PlacementText(placement), PlacementText(loadedPlacement));
    ASSERT_TRUE(SaveSettings(path.c_str(), loaded, loadedPlacement));
    EXPECT_EQ(file, ReadBytes(path));
}

// The placement record: its length is always set, its show command and flags
// become 0 when missing or unparsable, and its positions are read in order
// until the first missing or malformed one, what was read before staying.
// (The fuzz test saves it only with a normal rectangle that is not empty.)
TEST_F(SettingsFile, ThePlacementIsReadInOrderUntilAPositionIsMissing)
{
    const WINDOWPLACEMENT before{0, 7, 9, {1, 2}, {3, 4}, {5, 6, 7, 8}};
    const auto record = [](const std::string& attributes) {
        return "<Application><Window><Placement " + attributes + "/></Window></Application>";
    };
    const std::string length = "length=" + std::to_string(sizeof(WINDOWPLACEMENT));
    const std::pair<std::string, std::string> cases[] = {
        {record("showCmd=\"3\" flags=\"0x2\" ptMinPosition=\"-1,-2\" ptMaxPosition=\"10,20\" "
                "rcNormalPosition=\"1,2,300,400\""),
         length + " flags=2 show=3 min=-1,-2 max=10,20 normal=1,2,300,400"},
        {record("showCmd=\"x\" flags=\"99999999999\" ptMinPosition=\"-1,-2\" "
                "ptMaxPosition=\"10,20\" rcNormalPosition=\"1,2,300,400\""),
         length + " flags=0 show=0 min=-1,-2 max=10,20 normal=1,2,300,400"},
        {record("flags=\"1\" ptMaxPosition=\"10,20\" rcNormalPosition=\"1,2,300,400\""),
         length + " flags=1 show=0 min=1,2 max=3,4 normal=5,6,7,8"},
        {record("ptMinPosition=\"-1,-2\" ptMaxPosition=\"10,20\" rcNormalPosition=\"1,2,3\""),
         length + " flags=0 show=0 min=-1,-2 max=10,20 normal=5,6,7,8"},
    };
    for (const auto& c : cases) {
        ASSERT_TRUE(WriteBytes(path, Document(c.first)));
        CSettingsModel model;
        WINDOWPLACEMENT placement = before;
        ASSERT_TRUE(LoadSettings(path.c_str(), model, placement));
        EXPECT_EQ(c.second, PlacementText(placement)) << c.first;
    }
}

// What is not a whole document (not XML, empty, half written, 10 MB of junk
// alone or behind a good beginning) and any document type (an inner one that
// would supply a default, entities from other files or growing without bound)
// load as defaults, and nothing outside the file is read.
TEST_F(SettingsFile, HostileFilesAreRefusedWhole)
{
    const std::string whole =
        Document("<Application><Window minimized=\"true\"/><Suspend allowed=\"false\">"
                 "<TcpPorts endpoint=\"3\">80</TcpPorts></Suspend></Application>");
    const std::string junk(10 * 1024 * 1024, '\x9C');
    for (const std::string& bytes :
         {std::string(), std::string("minimized=true\r\nallowed=false\r\n"),
          whole.substr(0, whole.size() - 4), whole.substr(0, 60) + junk})
        ExpectRefused(bytes);

    const std::wstring secret = File(L"secret.txt");
    ASSERT_TRUE(WriteBytes(secret, "4444 SECRET"));
    ASSERT_TRUE(WriteBytes(File(L"defaults.dtd"), "<!ATTLIST Window minimized CDATA \"true\">\n"
                                                  "<!ENTITY % leak SYSTEM \"secret.txt\">\n"));
    std::string url = "file:///" + Utf8(secret);
    std::replace(url.begin(), url.end(), '\\', '/');
    std::vector<std::string> documentTypes = {
        "<!DOCTYPE Application [<!ATTLIST Window minimized CDATA \"true\">]>",
        "<!DOCTYPE Application SYSTEM \"defaults.dtd\">"};
    for (const std::string& system : {url, std::string("secret.txt")})
        documentTypes.push_back("<!DOCTYPE Application [<!ENTITY ext SYSTEM \"" + system + "\">]>");
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
        const std::string use = documentType.find("ENTITY ext") != std::string::npos ? "&ext;" : "";
        ExpectRefused(Document(documentType +
                               "<Application><Window/><Suspend condition=\"1\"><TcpPorts>" + use +
                               "</TcpPorts></Suspend><AutoResume><Command run=\"1\">" + use +
                               "</Command></AutoResume></Application>"));
    }
}

// A save puts the complete new file in place, or leaves the old one byte for
// byte with no temporary file behind.
TEST_F(SettingsFile, ASaveIsAtomic)
{
    CSettingsModel model;
    model.Command.text = L"old.exe";
    WINDOWPLACEMENT placement{};
    placement.length = sizeof(placement);
    ASSERT_TRUE(SaveSettings(path.c_str(), model, placement));
    const std::string oldBytes = ReadBytes(path);
    ASSERT_EQ(1, Files());

    model.Command.text = L"new.exe";
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_READONLY));
    SetLastError(0);
    EXPECT_FALSE(SaveSettings(path.c_str(), model, placement));
    EXPECT_EQ(static_cast<DWORD>(ERROR_ACCESS_DENIED), GetLastError());
    EXPECT_EQ(oldBytes, ReadBytes(path));
    EXPECT_EQ(1, Files());
    EXPECT_TRUE(GetFileAttributesW(path.c_str()) & FILE_ATTRIBUTE_READONLY);

    // A missing folder is not created.
    EXPECT_FALSE(SaveSettings(File(L"gone\\Tarvik.xml").c_str(), model, placement));
    EXPECT_EQ(INVALID_FILE_ATTRIBUTES, GetFileAttributesW(File(L"gone").c_str()));

    // A value that cannot be written (a time no zone converts) halfway through
    // the fields fails the whole save: the sections after it would otherwise
    // be lost to their defaults at the next start.
    ASSERT_TRUE(SetFileAttributesW(path.c_str(), FILE_ATTRIBUTE_NORMAL));
    CSettingsModel unwritable = model;
    unwritable.AutoResume.time.wMonth = 13;
    SetLastError(0);
    EXPECT_FALSE(SaveSettings(path.c_str(), unwritable, placement));
    EXPECT_NE(static_cast<DWORD>(ERROR_SUCCESS), GetLastError());
    EXPECT_EQ(oldBytes, ReadBytes(path));
    EXPECT_EQ(1, Files());

    ASSERT_TRUE(SaveSettings(path.c_str(), model, placement));
    EXPECT_EQ(1, Files());
    ASSERT_TRUE(LoadSettings(path.c_str(), model = CSettingsModel(), placement));
    EXPECT_EQ(L"new.exe", model.Command.text);
}

// Run again by ctest with TZ=Europe/Berlin: whatever today's offset is,
// January is one hour ahead of UTC and July two, and times next to the changes
// (the last Sundays of March and October 2027) survive a save and a load.
TEST_F(SettingsFile, BerlinTimesUseTheOffsetOfTheirOwnDate)
{
    wchar_t zone[64] = L"";
    GetEnvironmentVariableW(L"TZ", zone, 64);
    if (std::wstring(zone) != L"Europe/Berlin")
        GTEST_SKIP() << "needs TZ=Europe/Berlin";
    const auto local = [](WORD month, WORD day, WORD hour, WORD minute, WORD ms) {
        return SYSTEMTIME{2027, month, 0, day, hour, minute, 0, ms};
    };
    const std::pair<SYSTEMTIME, const char*> cases[] = {
        {local(1, 15, 12, 0, 0), "2027-01-15T11:00:00.000Z"},
        {local(7, 15, 12, 0, 456), "2027-07-15T10:00:00.456Z"},
        {local(3, 28, 1, 59, 999), "2027-03-28T00:59:00.999Z"},
        {local(3, 28, 3, 0, 0), "2027-03-28T01:00:00.000Z"},
        {local(10, 31, 1, 59, 0), "2027-10-30T23:59:00.000Z"},
        {local(10, 31, 3, 0, 1), "2027-10-31T02:00:00.001Z"},
    };
    for (const auto& c : cases) {
        CSettingsModel model;
        model.AutoResume.time = c.first;
        WINDOWPLACEMENT placement{};
        ASSERT_TRUE(SaveSettings(path.c_str(), model, placement));
        EXPECT_NE(std::string::npos, ReadBytes(path).find(std::string("time=\"") + c.second + "\""))
            << c.second;
        ASSERT_TRUE(LoadSettings(path.c_str(), model = CSettingsModel(), placement));
        EXPECT_EQ(TimeText(c.first), TimeText(model.AutoResume.time)) << c.second;
    }
}
