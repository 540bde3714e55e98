// The settings loader under volume: thousands of random settings files, each
// loaded by the real loader through MSXML in this one process. Most are
// well-formed, with values at and past the edges of their fields, attributes
// and elements left out or repeated; some are broken byte by byte. A refused
// file changes nothing and sets the last error; a loaded model holds the
// invariants of the settings, and its save reloads as the same model and
// saves again as the same bytes.
//
// TARVIK_FUZZ_COUNT sets how many inputs (default 10000), TARVIK_FUZZ_SEED
// the seed (default a fixed one); the run prints both, so a failure replays.
#include "tests/settings/settings_test_support.h"

#include <algorithm>
#include <climits>
#include <cstdlib>
#include <cwctype>
#include <random>
#include <set>
#include <sstream>
#include <string>
#include <utility>
#include <vector>

namespace {

// The standard engine's raw output: the same inputs from the same seed with every compiler.
struct CRandom : std::mt19937_64
{
    using std::mt19937_64::mt19937_64;
    size_t Below(size_t n) { return static_cast<size_t>((*this)() % n); }
    bool OneIn(size_t n) { return Below(n) == 0; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[Below(N)];
    }
};

// A number at or next to the edge of a field's range or of 32 bits, in
// decimal or hexadecimal, signed or not, with white space or junk.
std::string Number(CRandom& r)
{
    static const long long edges[] = {0,   1,    2,     3,     4,     59,      60,      599,
                                      600, 3600, 86399, 86400, 65535, INT_MAX, INT_MIN, UINT_MAX};
    static const char* const junk[] = {" ", "\t", "&#9;", "9", "abc", "0x", ".5", "e3", ""};
    const long long value =
        r.Pick(edges) + (r.OneIn(3) ? static_cast<long long>(r.Below(3)) - 1 : 0);
    const bool hex = r.OneIn(3);
    const char* const sign = value < 0 ? "-" : r.OneIn(5) ? "+" : "";
    const char* const before = r.OneIn(4) ? r.Pick(junk) : "";
    const char* const after = r.OneIn(4) ? r.Pick(junk) : "";
    char text[64];
    snprintf(text, sizeof(text), hex ? "%s%s0x%llx%s" : "%s%s%llu%s", before, sign,
             static_cast<unsigned long long>(value < 0 ? -value : value), after);
    return r.OneIn(20) ? r.Pick(junk) : text;
}

// A time at the edges of the calendar and the clock, or next to New York's
// summer time changes of 2026; sometimes cut short.
std::string Time(CRandom& r)
{
    static const char* const moments[] = {"2026-03-08T06:59:59.999Z", "2026-03-08T07:00:00.000Z",
                                          "2026-11-01T05:30:00.000Z", "2026-11-01T06:30:00.000Z"};
    // Year, month, day, hour, minute, second and millisecond, each in its width.
    static const int values[7][6] = {{0, 1600, 1601, 2026, 30827, 65536},
                                     {0, 1, 2, 12, 13, 4},
                                     {0, 1, 29, 30, 31, 32},
                                     {0, 12, 23, 24, 0, 23},
                                     {0, 30, 59, 60, 61, 59},
                                     {0, 30, 59, 60, 61, 0},
                                     {0, 1, 500, 999, 1000, 0}};
    static const int widths[] = {4, 2, 2, 2, 2, 2, 3};
    const bool fields = !r.OneIn(3);
    std::string time = fields ? "" : r.Pick(moments);
    for (size_t i = 0; fields && i < 7; ++i) {
        char text[16];
        snprintf(text, sizeof(text), "%0*d%c", widths[i], values[i][r.Below(6)], "--T::.Z"[i]);
        time += text;
    }
    return r.OneIn(4) ? time.substr(0, r.Below(time.size())) : time;
}

// A port text of 79, 80 or 81 characters (or another length): ports, tokens
// out of range or malformed, separators, and white space that the reader drops.
std::string Ports(CRandom& r)
{
    static const size_t lengths[] = {0, 1, 5, 79, 80, 80, 81, 300};
    static const char* const tokens[] = {"0",   "65535", "65536",       "-1",  "+443",
                                         "abc", "1e3",   "99999999999", "\t22"};
    static const char* const separators[] = {",", ",", ",", " ", ",,", " , "};
    const size_t length = r.Pick(lengths);
    std::string text;
    while (text.size() < length) {
        text += text.empty() ? "" : r.Pick(separators);
        text += r.OneIn(3) ? r.Pick(tokens) : std::to_string(1 + r.Below(65535));
    }
    text.resize(length);
    return r.OneIn(5) ? " \r\n\t" + text + "\r\n\t " : text;
}

// A command of 1023, 1024 or 1025 characters (or another length) of mixed
// characters, references and white space: a reference or a multi-byte
// character counts as one.
std::string Command(CRandom& r)
{
    static const size_t lengths[] = {0, 1, 10, 1023, 1024, 1024, 1025, 1100};
    static const char* const pieces[] = {"a",     "Z",      "/",        "\\",           " ",
                                         "\t",    "&amp;",  "&lt;",     "&quot;",       "&#13;",
                                         "&#10;", "&#xA0;", "&#x3000;", "\xE2\x82\xAC", "\xC3\xA9"};
    std::string text;
    for (size_t i = r.Pick(lengths); i > 0; --i)
        text += r.Pick(pieces);
    return r.OneIn(4) ? "  " + text + "\t\r\n" : text;
}

// A value of the kind given (b boolean, n number, p numbers, t time, P ports,
// c command), now and then of another kind or a megabyte long.
std::string Value(char kind, CRandom& r)
{
    static const char* const booleans[] = {"true", "false", "1", "0", "TRUE", "yes", " true", ""};
    if (r.OneIn(6))
        kind = "bnptPc"[r.Below(6)];
    if (r.OneIn(20000))
        return std::string(1 << 20, '7');
    std::string text = kind == 'b'                  ? r.Pick(booleans)
                       : kind == 'n' || kind == 'p' ? Number(r)
                       : kind == 't'                ? Time(r)
                       : kind == 'P'                ? Ports(r)
                                                    : Command(r);
    for (size_t i = kind == 'p' ? r.Below(5) : 0; i > 0; --i) {
        text += r.OneIn(8) ? " ," : ",";
        text += Number(r);
    }
    return text;
}

// The file's elements: the name, the parent's index, the attributes (each
// behind the kind of its value) and the kind of the text.
const struct
{
    const char* name;
    int parent;
    const char* attributes;
    char text;
} kLayout[] = {
    {"Application", -1, "", 0},
    {"Window", 0, "bminimized", 0},
    {"Placement", 1, "nshowCmd nflags pptMinPosition pptMaxPosition prcNormalPosition", 0},
    {"Suspend", 0, "ballowed bblanking ncondition", 0},
    {"TcpPorts", 3, "nendpoint", 'P'},
    {"AutoResume", 0, "benabled nmode ndelay ttime", 0},
    {"AutoSuspend", 5, "benabled ndelay nstate", 0},
    {"Command", 5, "brun", 'c'},
};

// Element `index` with its attributes, text and children: each attribute and
// child now and then left out or repeated (a repeated attribute is no longer
// well-formed), and the content now and then nested deep in other elements,
// whose text the element's text takes in.
void Write(size_t index, size_t depth, CRandom& r, std::string& out)
{
    static const size_t depths[] = {2, 20, 255, 256, 257, 5000};
    const auto times = [&r](size_t repeated) {
        return r.OneIn(10) ? 0 : r.OneIn(repeated) ? 2 : 1;
    };
    out += "\r\n" + std::string(depth, '\t') + "<" + kLayout[index].name;
    std::istringstream words(kLayout[index].attributes);
    for (std::string word; words >> word;) {
        for (int n = times(300); n > 0; --n)
            out += " " + word.substr(1) + "=\"" + Value(word[0], r) + "\"";
    }
    std::string content = kLayout[index].text && !r.OneIn(5) ? Value(kLayout[index].text, r) : "";
    for (size_t i = 0; i < std::size(kLayout); ++i) {
        for (int n = kLayout[i].parent == static_cast<int>(index) ? times(40) : 0; n > 0; --n)
            Write(i, depth + 1, r, content);
    }
    std::string open, close;
    for (size_t i = r.OneIn(50) ? r.Pick(depths) : 0; i > 0; --i) {
        open += "<n>";
        close += "</n>";
    }
    out += ">" + open + content + close + "</" + kLayout[index].name + ">";
}

// One change of the bytes: a byte, an insertion, a removal, a repeat, an end.
void MutateBytes(std::string& bytes, CRandom& r)
{
    static const char* const insertions[] = {
        // markup out of place, references to no character
        "<", "&", "\"", "]]>", "<!--x-->", "<![CDATA[80]]>", " xmlns=\"urn:x\"", "&#0;", "&#xD800;",
        "&unknown;",
        // UTF-8 overlong, a surrogate, cut short, a lone continuation; byte-order marks
        "\xC0\x80", "\xED\xA0\x80", "\xE2\x82", "\x80", "\xFE\xFF", "\xEF\xBB\xBF"};
    if (bytes.empty())
        return;
    const size_t at = r.Below(bytes.size()), kind = r.Below(5);
    if (kind == 0)
        bytes[at] = static_cast<char>(r());
    else if (kind == 1)
        bytes.insert(at, r.OneIn(3) ? std::string(1, '\0') : r.Pick(insertions));
    else if (kind == 2)
        bytes.erase(at, 1 + r.Below(16));
    else if (kind == 3)
        bytes.resize(at);
    else
        bytes.insert(at, bytes.substr(at, 1 + r.Below(64)));
}

std::string MakeInput(CRandom& r)
{
    std::string text;
    if (!r.OneIn(10))
        text = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>";
    Write(0, 0, r, text);
    for (size_t edits = r.OneIn(3) ? 1 + r.Below(4) : 0; edits > 0; --edits)
        MutateBytes(text, r);
    return text;
}

// The first broken invariant of a loaded model, or nothing.
std::string BrokenInvariant(const CSettingsModel& m)
{
    // Choices compare by the integers the file stores.
    const auto in = [](auto value, auto low, auto high) {
        return static_cast<int>(low) <= static_cast<int>(value) &&
               static_cast<int>(value) <= static_cast<int>(high);
    };
    const CPortList& ports = m.TcpPorts.list;
    const std::wstring& text = m.Command.text;
    FILETIME file;
    const std::pair<bool, const char*> rules[] = {
        {std::is_sorted(ports.begin(), ports.end()), "ports not sorted"},
        {std::adjacent_find(ports.begin(), ports.end()) == ports.end(), "a port repeated"},
        {ports.empty() || (in(ports.front(), 1, 65535) && in(ports.back(), 1, 65535)),
         "a port outside 1..65535"},
        {FormatPortList(ports).size() <= kMaxPortText, "a port list longer than its edit box"},
        {in(m.Suspend.condition, Condition::Always, Condition::NoConnection), "condition"},
        {m.Suspend.condition == Condition::Always || !ports.empty(), "a condition without ports"},
        {in(m.TcpPorts.endpoint, Endpoint::Local, Endpoint::Both), "endpoint"},
        {in(m.AutoResume.mode, ResumeMode::Once, ResumeMode::Daily), "mode"},
        {in(m.AutoResume.delay, kAutoResumeDelayMin, kDelayMax), "resume delay"},
        {in(m.AutoSuspend.delay, kAutoSuspendDelayMin, kDelayMax), "suspend delay"},
        {in(m.AutoSuspend.state, SuspendState::Sleep, SuspendState::Hibernate), "state"},
        {text.size() <= kMaxCommandText, "a command longer than its edit box"},
        {text.empty() || (!iswspace(text.front()) && !iswspace(text.back())),
         "a command with white space at an end"},
        {!m.Command.run || !text.empty(), "run without a command"},
        {SystemTimeToFileTime(&m.AutoResume.time, &file) != FALSE, "an invalid time"},
    };
    for (const auto& [holds, broken] : rules) {
        if (!holds)
            return broken;
    }
    return "";
}

// The input as C string text, at most its first 1500 bytes, for a failure message.
std::string Shown(const std::string& bytes)
{
    return ::testing::PrintToString(bytes.substr(0, 1500)) + " (" + std::to_string(bytes.size()) +
           " bytes)";
}

// The first difference between the loaded input and its copy saved to
// `path`, or nothing: the save loads as the same model and placement (the
// record is saved only with a normal rectangle that is not empty) and saves
// again as the same bytes.
std::string RoundTripFault(const std::wstring& path, const CSettingsModel& model,
                           const WINDOWPLACEMENT& placement)
{
    const std::string saved = SaveSettings(path.c_str(), model, placement) ? ReadBytes(path) : "";
    CSettingsModel reloaded;
    reloaded.AutoResume.time = SYSTEMTIME{2001, 2, 0, 3, 4, 5, 6, 7}; // unlike the first load's
    WINDOWPLACEMENT again{};
    if (saved.empty() || !LoadSettings(path.c_str(), reloaded, again))
        return "its save does not load";
    const bool placed = !IsRectEmpty(&placement.rcNormalPosition);
    if (ModelText(reloaded) + (placed ? PlacementText(again) : "") !=
            ModelText(model) + (placed ? PlacementText(placement) : "") ||
        (!placed && !IsRectEmpty(&again.rcNormalPosition)))
        return "its save loads as another model:\n  " + ModelText(model) +
               PlacementText(placement) + "\n  " + ModelText(reloaded) + PlacementText(again);
    const bool same = SaveSettings(path.c_str(), reloaded, again) && ReadBytes(path) == saved;
    return same ? "" : "a second save differs from " + Shown(saved);
}

unsigned long long FromEnvironment(const char* name, unsigned long long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

} // namespace

// The first fault stops the run: its input's number and the seed replay it.
TEST(SettingsFuzz, RandomFilesLoadWithinRangesAndSaveBackTheSame)
{
    const unsigned long long seed = FromEnvironment("TARVIK_FUZZ_SEED", 20261207);
    const unsigned long long count = FromEnvironment("TARVIK_FUZZ_COUNT", 10000);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path =
        temp + (L"settings-fuzz-" + std::to_wstring(GetCurrentProcessId()) + L".xml");
    CSettingsModel defaults;
    defaults.AutoResume.time = SYSTEMTIME{2025, 6, 0, 7, 8, 9, 10, 11};
    const std::string untouched = ModelText(defaults) + PlacementText(WINDOWPLACEMENT{});

    CRandom random(seed);
    unsigned long long loaded = 0;
    std::set<std::string> roundTrips;
    for (unsigned long long i = 0; i < count; ++i) {
        const std::string input = MakeInput(random);
        const bool sample = random.OneIn(8);
        ASSERT_TRUE(WriteBytes(path, input));
        CSettingsModel model = defaults;
        WINDOWPLACEMENT placement{};
        SetLastError(ERROR_SUCCESS);
        std::string fault;
        if (!LoadSettings(path.c_str(), model, placement)) {
            if (GetLastError() == ERROR_SUCCESS)
                fault = "refused without an error code";
            else if (ModelText(model) + PlacementText(placement) != untouched)
                fault = "refused but changed the model: " + ModelText(model);
        } else {
            ++loaded;
            fault = BrokenInvariant(model);
            // A round trip depends on the model and the placement alone: one
            // already made needs no repeat, and one in eight keeps the run quick.
            if (fault.empty() && sample &&
                roundTrips.insert(ModelText(model) + PlacementText(placement)).second)
                fault = RoundTripFault(path, model, placement);
        }
        ASSERT_EQ("", fault) << "input " << i << " of seed " << seed << ": " << Shown(input);
    }
    DeleteFileW(path.c_str());
    printf("settings fuzz: seed %llu, %llu inputs, %llu loaded, %zu saved and reloaded\n", seed,
           count, loaded, roundTrips.size());
    // A third of the inputs at least reach the fields, or the run proves little.
    EXPECT_GE(loaded * 3, count);
}
