// The settings loader under volume: thousands of mutated copies of a few valid
// files, each loaded by the real loader through MSXML in this one process.
// After each load every field is within its range and the invariants of the
// settings hold; a save and a reload give the same model and the same bytes.
//
// TARVIK_FUZZ_COUNT sets how many inputs (default 10000), TARVIK_FUZZ_SEED
// the seed (default a fixed one); the run prints both and its rate.
#include "tests/settings/settings_test_support.h"

#include <cctype>
#include <charconv>
#include <chrono>
#include <climits>
#include <cstdlib>
#include <cstring>
#include <cwctype>
#include <map>
#include <set>
#include <string>
#include <utility>
#include <vector>

namespace {

unsigned long long FromEnvironment(const char* name, unsigned long long fallback)
{
    const char* text = std::getenv(name);
    return text && *text ? std::strtoull(text, nullptr, 0) : fallback;
}

// splitmix64: the same inputs from the same seed with every compiler.
class CRandom
{
public:
    explicit CRandom(unsigned long long seed) : m_state(seed) {}
    unsigned long long Next()
    {
        unsigned long long z = (m_state += 0x9E3779B97F4A7C15ull);
        z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ull;
        z = (z ^ (z >> 27)) * 0x94D049BB133111EBull;
        return z ^ (z >> 31);
    }
    size_t Below(size_t n) { return n ? static_cast<size_t>(Next() % n) : 0; }
    bool OneIn(size_t n) { return Below(n) == 0; }
    template <class T, size_t N>
    const T& Pick(const T (&items)[N])
    {
        return items[Below(N)];
    }
    template <class T>
    T& Pick(std::vector<T>& items)
    {
        return items[Below(items.size())];
    }

private:
    unsigned long long m_state;
};

// A document as the mutations see it. Values are markup: written as they are.
struct CElement
{
    std::string name;
    std::vector<std::pair<std::string, std::string>> attributes;
    std::string text; // before the children
    std::vector<CElement> children;
    std::string wrapper; // the name of the elements that the content is nested in
    size_t wrapping = 0; // how deep
};

// The element at `p` (its '<'), read as the corpus writes it: attributes in
// double quotes, text only in elements without children, white space between
// elements. `p` moves past its end.
CElement Parse(const char*& p)
{
    const auto skipSpace = [&p] {
        while (std::isspace(static_cast<unsigned char>(*p)))
            ++p;
    };
    CElement e;
    const char* name = ++p;
    p += std::strcspn(p, " \r\n/>");
    e.name.assign(name, p);
    for (skipSpace(); *p != '/' && *p != '>'; skipSpace()) {
        const char* value = std::strchr(p, '"') + 1;
        const char* end = std::strchr(value, '"');
        e.attributes.emplace_back(std::string(p, value - 2), std::string(value, end));
        p = end + 1;
    }
    if (*p == '/')
        return p += 2, e;
    const char* text = ++p;
    p = std::strchr(p, '<');
    if (p[1] == '/')
        e.text.assign(text, p);
    for (; p[1] != '/'; skipSpace())
        e.children.push_back(Parse(p));
    p = std::strchr(p, '>') + 1;
    return e;
}

// Valid files: one as the program saves it with every field set, one with the
// defaults and empty elements, one in other valid spellings, and a section as
// the root element.
std::vector<CElement> Corpus()
{
    static const char* const documents[] = {
        R"(<Application><Window minimized="true">
            <Placement showCmd="1" flags="0x00000002" ptMinPosition="-1,-1"
                ptMaxPosition="-8,-8" rcNormalPosition="100,120,520,600"/></Window>
          <Suspend allowed="false" blanking="false" condition="1">
            <TcpPorts endpoint="3">22,80,443,3389</TcpPorts></Suspend>
          <AutoResume enabled="true" mode="1" delay="7200" time="2026-11-01T05:30:00.250Z">
            <AutoSuspend enabled="true" delay="900" state="1"/>
            <Command run="true">"C:\Program Files\b&amp;b\run.exe" /q</Command>
          </AutoResume></Application>)",
        R"(<Application><Window minimized="false"/>
          <Suspend allowed="true" blanking="true" condition="0"><TcpPorts endpoint="2"/></Suspend>
          <AutoResume enabled="false" mode="0" delay="3600" time="2026-03-08T07:00:00.000Z">
            <AutoSuspend enabled="false" delay="600" state="0"/><Command run="false"/>
          </AutoResume></Application>)",
        R"(<Application><AutoResume mode="02" delay="0x258" time="2027-07-15T10:00:00.456">)"
        "<Command run=\"1\"> \t&#13;&#10; notepad.exe &lt;a&gt; &#x20AC; \xE2\x82\xAC </Command>"
        R"(</AutoResume><Suspend condition="1" allowed="1">
            <TcpPorts endpoint="01"> 443 80,,80 , 0 70000</TcpPorts></Suspend>
          <Window minimized="0"><Placement rcNormalPosition=" -10, +20,110,220"
              ptMaxPosition="0,0" ptMinPosition="5,5" showCmd="03" flags="-1"/></Window>
          </Application>)",
        R"(<Suspend allowed="false" condition="1"><TcpPorts endpoint="1">8080</TcpPorts></Suspend>)",
    };
    std::vector<CElement> corpus;
    for (const char* p : documents)
        corpus.push_back(Parse(p));
    return corpus;
}

struct CStyle
{
    const char* lineBreak; // before each element, then indented; "" for one line
    const char* indent;
    char quote;
    bool selfClose;
};

void Serialize(const CElement& e, const CStyle& style, int depth, std::string& out)
{
    const auto breakLine = [&](int level) {
        out += style.lineBreak;
        for (int i = 0; *style.lineBreak && i < level; ++i)
            out += style.indent;
    };
    if (depth > 0)
        breakLine(depth);
    out += "<" + e.name;
    for (const auto& attribute : e.attributes)
        out += " " + attribute.first + "=" + style.quote + attribute.second + style.quote;
    if (e.text.empty() && e.children.empty() && !e.wrapping && style.selfClose) {
        out += "/>";
        return;
    }
    out += ">";
    for (size_t i = 0; i < e.wrapping; ++i)
        out += "<" + e.wrapper + ">";
    out += e.text;
    for (const CElement& child : e.children)
        Serialize(child, style, depth + 1, out);
    if (!e.children.empty() && e.text.empty())
        breakLine(depth);
    for (size_t i = 0; i < e.wrapping; ++i)
        out += "</" + e.wrapper + ">";
    out += "</" + e.name + ">";
}

// A number at or past a 32-bit edge or the edge of a field's range, in
// decimal, octal or hexadecimal, signed or not, with white space or junk.
std::string RandomNumber(CRandom& random)
{
    static const long long edges[] = {
        // the edges of the fields' ranges
        0, 1, 2, 3, 4, 59, 60, 599, 600, 3600, 86399, 86400, 65535, 65536,
        // of 32 bits, and beyond them
        INT_MAX, INT_MAX + 1LL, INT_MIN, INT_MIN - 1LL, UINT_MAX, UINT_MAX + 1LL, LLONG_MAX};
    static const char* const prefixes[] = {"0", "0x", "0X", "", ""};
    static const int bases[] = {8, 16, 16, 10, 10};
    static const char* const signs[] = {"", "", "", "+", "-"};
    static const char* const around[] = {"",  "",    "",   "",  " ",  "&#9;",
                                         "9", "abc", "0x", "8", ".5", "e3"};
    long long value = random.Pick(edges);
    if (random.OneIn(3) && value != LLONG_MAX)
        value += static_cast<long long>(random.Below(3)) - 1;
    const unsigned long long magnitude = value < 0 ? 0ull - static_cast<unsigned long long>(value)
                                                   : static_cast<unsigned long long>(value);
    const size_t form = random.Below(5);
    char digits[40];
    char* const end = std::to_chars(digits, digits + sizeof(digits), magnitude, bases[form]).ptr;
    for (char* c = digits; form == 1 && c < end; ++c) // hexadecimal digits in either case
        *c = static_cast<char>(std::toupper(static_cast<unsigned char>(*c)));
    std::string text = std::string(value < 0 ? "-" : random.Pick(signs)) + prefixes[form] +
                       std::string(digits, end);
    if (random.OneIn(4))
        text = std::string(random.OneIn(2) ? " " : "\t") + text;
    if (random.OneIn(4))
        text += random.Pick(around);
    return random.OneIn(20) ? random.Pick(around) : text;
}

std::string RandomBool(CRandom& random)
{
    static const char* const texts[] = {"true", "false", "1",     "0", "TRUE", "False",
                                        "yes",  " true", "true ", "",  "2",    "-1"};
    return random.Pick(texts);
}

// Times at the edges of the calendar and of the clock, around the summer time
// changes of 2026 in New York, and shortened or lengthened.
std::string RandomTime(CRandom& random)
{
    static const char* const moments[] = {"2026-03-08T06:59:59.999Z",  "2026-03-08T07:00:00.000Z",
                                          "2026-11-01T05:30:00.000Z",  "2026-11-01T06:30:00.000Z",
                                          "1601-01-01T00:00:00.000Z",  "1601-01-01T05:00:00.000Z",
                                          "30827-12-31T23:59:59.999Z", "9999-12-31T23:59:59.999Z",
                                          "2028-02-29T12:00:00.000Z",  "2027-02-29T12:00:00.000Z"};
    if (random.OneIn(3))
        return random.Pick(moments);
    static const int years[] = {0, 1600, 1601, 1602, 2026, 9999, 30827, 30828, 65535, 65536};
    static const int months[] = {0, 1, 2, 4, 12, 13}, days[] = {0, 1, 28, 29, 30, 31, 32};
    static const int hours[] = {0, 12, 23, 24}, sixty[] = {0, 30, 59, 60, 61};
    static const int milliseconds[] = {0, 1, 500, 999, 1000};
    char text[96];
    snprintf(text, sizeof(text), "%04d-%02d-%02dT%02d:%02d:%02d.%03dZ", random.Pick(years),
             random.Pick(months), random.Pick(days), random.Pick(hours), random.Pick(sixty),
             random.Pick(sixty), random.Pick(milliseconds));
    std::string time = text;
    if (random.OneIn(4))
        time.resize(random.Below(time.size()));
    return time;
}

std::string RandomNumbers(CRandom& random)
{
    std::string text = RandomNumber(random);
    for (size_t i = random.Below(5); i > 0; --i) {
        text += random.OneIn(8) ? " ," : ",";
        text += RandomNumber(random);
    }
    return text;
}

// A port text of exactly 79, 80 or 81 characters (or another length), with
// white space around it that the reader drops.
std::string RandomPorts(CRandom& random)
{
    static const size_t lengths[] = {0, 1, 5, 79, 79, 80, 80, 81, 81, 82, 300};
    static const char* const tokens[] = {"0",   "65535", "65536",       "-1",   "+443", "0080",
                                         "abc", "1e3",   "99999999999", "\t22", "7"};
    static const char* const separators[] = {",", " ", ",,", " , ", ",", ","};
    const size_t length = random.Pick(lengths);
    std::string text;
    while (text.size() < length) {
        text += text.empty() ? "" : random.Pick(separators);
        text += random.OneIn(3) ? std::string(random.Pick(tokens))
                                : std::to_string(1 + random.Below(65535));
    }
    text.resize(length);
    if (random.OneIn(5)) {
        text.insert(0, random.OneIn(2) ? " " : "\r\n\t");
        text += random.OneIn(2) ? " " : "\r\n\t\t";
    }
    return text;
}

// A command of 1023, 1024 or 1025 characters (or another length) of mixed
// characters, references and white space; a reference or a multi-byte
// character counts as one.
std::string RandomCommand(CRandom& random)
{
    static const size_t lengths[] = {0, 1, 10, 1023, 1024, 1024, 1025, 1100};
    static const char* const pieces[] = {"a",        "Z",      "/",     "\\",       " ",
                                         " ",        "\t",     "&amp;", "&lt;",     "&gt;",
                                         "&quot;",   "&#13;",  "&#10;", "&#x3000;", "\xE2\x82\xAC",
                                         "\xC3\xA9", "&#xA0;", "."};
    std::string text;
    for (size_t i = random.Pick(lengths); i > 0; --i)
        text += random.Pick(pieces);
    return random.OneIn(4) ? "  " + text + "\t\r\n" : text;
}

// A value for `name` of the kind its attribute holds, or any other kind.
std::string AttributeValue(const std::string& name, CRandom& random)
{
    using CMaker = std::string (*)(CRandom&);
    static const CMaker makers[] = {RandomBool, RandomNumber, RandomTime, RandomNumbers};
    static const std::set<std::string> booleans = {"minimized", "allowed", "blanking", "enabled",
                                                   "run"};
    const size_t kind = random.OneIn(6)                              ? random.Below(4)
                        : booleans.count(name)                       ? 0
                        : name == "time"                             ? 2
                        : name.find("Position") != std::string::npos ? 3
                                                                     : 1;
    return makers[kind](random);
}

std::vector<CElement*> AllElements(CElement& e, std::vector<CElement*> all = {})
{
    all.push_back(&e);
    for (CElement& child : e.children)
        all = AllElements(child, std::move(all));
    return all;
}

// Removes one of `items`, repeats one beside itself, or shuffles them (`how` 0, 1, 2).
template <class T>
void MutateList(std::vector<T>& items, size_t how, CRandom& random)
{
    if (items.empty())
        return;
    const auto at = items.begin() + static_cast<std::ptrdiff_t>(random.Below(items.size()));
    if (how == 0)
        items.erase(at);
    else if (how == 1)
        items.insert(at, T(*at));
    else
        for (size_t i = items.size(); i > 1; --i)
            std::swap(items[i - 1], items[random.Below(i)]);
}

// One change of the document's structure or of one of its values.
void MutateTree(CElement& root, CRandom& random)
{
    std::vector<CElement*> all = AllElements(root);
    CElement& e = *random.Pick(all);
    const size_t kind = random.Below(13);
    if (kind < 3) {
        MutateList(e.children, kind, random);
    } else if (kind < 6) { // a repeated attribute is no longer well-formed
        MutateList(e.attributes, kind - 3, random);
    } else if (kind < 9) { // a new value for an attribute
        if (!e.attributes.empty()) {
            auto& attribute = random.Pick(e.attributes);
            attribute.second = AttributeValue(attribute.first, random);
        }
    } else if (kind == 9) { // a new text
        const bool command = e.name == "Command" || (e.name != "TcpPorts" && random.OneIn(2));
        e.text = command ? RandomCommand(random) : RandomPorts(random);
    } else if (kind == 10) { // deep nesting below the element
        static const size_t depths[] = {2, 20, 254, 255, 256, 257, 1000, 5000};
        e.wrapper = random.OneIn(2) ? e.name : "n";
        e.wrapping = random.Pick(depths);
    } else if (kind == 11) { // an element moved to the root
        CElement* from = random.Pick(all);
        if (all.size() >= 3 && !from->children.empty()) {
            const auto child = from->children.begin() +
                               static_cast<std::ptrdiff_t>(random.Below(from->children.size()));
            CElement moved = std::move(*child);
            from->children.erase(child);
            root.children.push_back(std::move(moved));
        }
    } else { // another name or a new attribute
        static const char* const names[] = {"window",   "Placement",   "Suspend",
                                            "TcpPorts", "AutoResume",  "AutoSuspend",
                                            "Command",  "Application", "x:Window"};
        static const char* const attributes[] = {"minimized", "condition", "endpoint", "delay",
                                                 "time",      "run",       "xmlns",    "xmlns:x",
                                                 "x:run",     "Minimized"};
        if (random.OneIn(2))
            e.name = random.Pick(names);
        else
            e.attributes.emplace_back(random.Pick(attributes),
                                      random.OneIn(2) ? "urn:x" : RandomNumber(random));
    }
}

// One change of the bytes: a bit, a byte, an insertion, a removal, a repeat, an end.
void MutateBytes(std::string& bytes, CRandom& random)
{
    static const char* const insertions[] = {
        // markup out of place
        "<", ">", "&", "\"", "'", "=", "/", "]]>", "<!--x-->", "<?pi x?>", "<![CDATA[80]]>",
        " xmlns=\"urn:x\"", "\r\n",
        // references to no character or to none at all
        "&#0;", "&#13;", "&#xD800;", "&unknown;",
        // UTF-8 overlong, a surrogate, too long, cut short; byte-order marks
        "\xC0\x80", "\xED\xA0\x80", "\xF8\x88\x80\x80\x80", "\xE2\x82", "\xFF", "\xFE\xFF",
        "\xEF\xBB\xBF"};
    if (bytes.empty())
        return;
    const size_t at = random.Below(bytes.size()), kind = random.Below(7);
    if (kind == 0)
        bytes[at] = static_cast<char>(bytes[at] ^ (1 << random.Below(8)));
    else if (kind == 1)
        bytes[at] = static_cast<char>(random.Next());
    else if (kind == 2)
        bytes.insert(at, random.OneIn(3) ? std::string(1, '\0') : random.Pick(insertions));
    else if (kind == 3)
        bytes.erase(at, 1 + random.Below(16));
    else if (kind == 4)
        bytes.resize(at);
    else if (kind == 5)
        bytes.insert(at, bytes.substr(at, 1 + random.Below(64)));
    else // a lone byte of a multi-byte sequence
        bytes.insert(at, 1, static_cast<char>(0x80 + random.Below(0x80)));
}

// UTF-16 in either byte order, with or without a byte-order mark, declared
// as utf-16 or still as utf-8; or UTF-8 behind a byte-order mark.
std::string Reencode(std::string source, CRandom& random)
{
    if (random.OneIn(4))
        return "\xEF\xBB\xBF" + source;
    const size_t declared = source.find("encoding=\"utf-8\"");
    if (declared != std::string::npos && random.OneIn(2))
        source.replace(declared, 16, "encoding=\"utf-16\"");
    std::wstring wide(source.size(), L'\0');
    wide.resize(static_cast<size_t>(MultiByteToWideChar(CP_UTF8, 0, source.data(),
                                                        static_cast<int>(source.size()), &wide[0],
                                                        static_cast<int>(wide.size()))));
    const bool bigEndian = random.OneIn(2);
    std::string bytes = random.OneIn(2) ? (bigEndian ? "\xFE\xFF" : "\xFF\xFE") : "";
    for (wchar_t c : wide) {
        const char low = static_cast<char>(c & 0xFF), high = static_cast<char>(c >> 8);
        bytes += bigEndian ? std::string{high, low} : std::string{low, high};
    }
    return bytes;
}

std::string MakeInput(const std::vector<CElement>& corpus, CRandom& random)
{
    static const CStyle styles[] = {{"\r\n", "\t", '"', true},
                                    {"\r\n", "\t", '"', true},
                                    {"", "", '"', true},
                                    {"\n", "  ", '\'', false},
                                    {"\r\n", "\t", '"', false}};
    CElement root = corpus[random.Below(corpus.size())];
    for (size_t i = random.Below(4); i > 0; --i)
        MutateTree(root, random);
    if (random.OneIn(1000)) { // a megabyte in an attribute or the text of one element
        std::vector<CElement*> all = AllElements(root);
        CElement& e = *random.Pick(all);
        std::string huge(1 << 20, '7');
        huge[0] = random.OneIn(2) ? ' ' : '7';
        (!e.attributes.empty() && random.OneIn(2) ? random.Pick(e.attributes).second : e.text) =
            std::move(huge);
    }
    std::string text;
    if (!random.OneIn(10))
        text = "<?xml version=\"1.0\" encoding=\"utf-8\" standalone=\"yes\"?>\r\n";
    Serialize(root, random.Pick(styles), 0, text);
    if (random.OneIn(10))
        text = Reencode(text, random);
    for (size_t edits = random.OneIn(3) ? 1 + random.Below(4) : 0; edits > 0; --edits)
        MutateBytes(text, random);
    return text;
}

// The first broken invariant of a loaded model, or nothing.
std::string BrokenInvariant(const CSettingsModel& m)
{
    // Choices compare by the integers the file stores.
    const auto within = [](auto value, auto low, auto high) {
        return static_cast<int>(value) >= static_cast<int>(low) &&
               static_cast<int>(value) <= static_cast<int>(high);
    };
    for (size_t i = 0; i < m.TcpPorts.list.size(); ++i) {
        if (!within(m.TcpPorts.list[i], 1, 65535))
            return "a port outside 1..65535";
        if (i > 0 && m.TcpPorts.list[i - 1] >= m.TcpPorts.list[i])
            return "ports not sorted and distinct";
    }
    if (FormatPortList(m.TcpPorts.list).size() > static_cast<size_t>(kMaxPortText))
        return "a port list longer than its edit box";
    if (!within(m.Suspend.condition, Condition::Always, Condition::NoConnection))
        return "condition out of range";
    if (m.Suspend.condition == Condition::NoConnection && m.TcpPorts.list.empty())
        return "a connection condition without ports";
    if (!within(m.TcpPorts.endpoint, Endpoint::Local, Endpoint::Both))
        return "endpoint out of range";
    if (!within(m.AutoResume.mode, ResumeMode::Once, ResumeMode::Daily))
        return "mode out of range";
    if (!within(m.AutoResume.delay, 600, 86399))
        return "resume delay out of range";
    if (!within(m.AutoSuspend.delay, 60, 86399))
        return "suspend delay out of range";
    if (!within(m.AutoSuspend.state, SuspendState::Sleep, SuspendState::Hibernate))
        return "state out of range";
    const std::wstring& text = m.Command.text;
    if (text.size() > static_cast<size_t>(kMaxCommandText))
        return "a command longer than its edit box";
    if (!text.empty() && (iswspace(text.front()) || iswspace(text.back())))
        return "a command with white space at an end";
    if (m.Command.run && text.empty())
        return "run without a command";
    FILETIME file;
    return SystemTimeToFileTime(&m.AutoResume.time, &file) ? "" : "an invalid time";
}

// The input as C string text, shortened, for a failure message.
std::string Shown(const std::string& bytes)
{
    std::string shown;
    for (const unsigned char c : bytes.substr(0, 1500)) {
        char escaped[8];
        const bool plain = c >= 0x20 && c < 0x7F && c != '\\' && c != '"';
        snprintf(escaped, sizeof(escaped), plain ? "%c" : "\\x%02X", c);
        shown += escaped;
    }
    return bytes.size() > 1500 ? shown + "... (" + std::to_string(bytes.size()) + " bytes)" : shown;
}

// The first difference between the loaded input and its copy saved to
// `path`, or nothing.
std::string RoundTripFault(const std::wstring& path, const CSettingsModel& model,
                           const WINDOWPLACEMENT& placement)
{
    const auto save = [&path](const CSettingsModel& m, const WINDOWPLACEMENT& p) {
        return SaveSettings(path.c_str(), m, p) ? ReadBytes(path) : "(not saved)";
    };
    const std::string saved = save(model, placement);
    CSettingsModel reloaded;
    reloaded.AutoResume.time = SYSTEMTIME{2001, 2, 0, 3, 4, 5, 6, 7}; // unlike the first load's
    WINDOWPLACEMENT reloadedPlacement{};
    if (!LoadSettings(path.c_str(), reloaded, reloadedPlacement))
        return "its save does not load: " + Shown(saved);
    if (ModelText(reloaded) != ModelText(model))
        return "its save loads as another model:\n  " + Shown(ModelText(model)) + "\n  " +
               Shown(ModelText(reloaded)) + "\n  saved: " + Shown(saved);
    const bool stored = !IsRectEmpty(&placement.rcNormalPosition);
    if (stored ? PlacementText(reloadedPlacement) != PlacementText(placement)
               : !IsRectEmpty(&reloadedPlacement.rcNormalPosition))
        return "its save loads as another placement:\n  " + PlacementText(placement) + "\n  " +
               PlacementText(reloadedPlacement);
    const std::string again = save(reloaded, reloadedPlacement);
    return again == saved ? ""
                          : "a second save differs:\n  " + Shown(saved) + "\n  " + Shown(again);
}

} // namespace

TEST(SettingsFuzz, MutatedFilesLoadWithinRangesAndSaveBackTheSame)
{
    const unsigned long long seed = FromEnvironment("TARVIK_FUZZ_SEED", 20261207);
    const unsigned long long count = FromEnvironment("TARVIK_FUZZ_COUNT", 10000);
    wchar_t temp[MAX_PATH];
    GetTempPathW(MAX_PATH, temp);
    const std::wstring path =
        temp + (L"settings-fuzz-" + std::to_wstring(GetCurrentProcessId()) + L".xml");
    const std::vector<CElement> corpus = Corpus();
    const SYSTEMTIME startTime{2025, 6, 0, 7, 8, 9, 10, 11};
    CSettingsModel defaults;
    defaults.AutoResume.time = startTime;
    const std::string untouched = ModelText(defaults) + PlacementText(WINDOWPLACEMENT{});
    std::set<std::string> valid; // the corpus as read here: each file loads as a model of its own
    for (const CElement& document : corpus) {
        std::string text;
        Serialize(document, CStyle{"", "", '"', true}, 0, text);
        CSettingsModel model = defaults;
        WINDOWPLACEMENT placement{};
        ASSERT_TRUE(WriteBytes(path, text) && LoadSettings(path.c_str(), model, placement)) << text;
        valid.insert(ModelText(model) + PlacementText(placement));
    }
    ASSERT_EQ(corpus.size(), valid.size());

    CRandom random(seed);
    unsigned long long loaded = 0, failures = 0;
    std::set<std::string> roundTrips;
    std::map<std::string, unsigned> faults;
    const auto started = std::chrono::steady_clock::now();
    for (unsigned long long i = 0; i < count; ++i) {
        const std::string input = MakeInput(corpus, random);
        ASSERT_TRUE(WriteBytes(path, input));
        CSettingsModel model = defaults;
        WINDOWPLACEMENT placement{};
        SetLastError(ERROR_SUCCESS);
        std::string fault;
        if (!LoadSettings(path.c_str(), model, placement)) {
            const std::string now = ModelText(model) + PlacementText(placement);
            if (GetLastError() == ERROR_SUCCESS)
                fault = "refused without an error code";
            else if (now != untouched)
                fault = "refused but changed the model: " + now;
        } else {
            ++loaded;
            fault = BrokenInvariant(model);
            // The round trip depends on the model and the placement alone: one
            // already made needs no repeat.
            const std::string key = ModelText(model) + PlacementText(placement);
            if (fault.empty() && roundTrips.insert(key).second)
                fault = RoundTripFault(path, model, placement);
        }
        if (fault.empty())
            continue;
        // Each kind of fault is shown with its first input and counted.
        ++failures;
        if (++faults[fault.substr(0, fault.find(':'))] == 1)
            ADD_FAILURE() << "input " << i << " of seed " << seed << ": " << fault
                          << "\n  input: " << Shown(input);
    }
    DeleteFileW(path.c_str());
    const double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    printf("settings fuzz: seed %llu, %llu inputs in %.1f s, %.0f inputs/s; %llu loaded as "
           "documents, %zu models saved and reloaded; %llu failed\n",
           seed, count, seconds, seconds > 0 ? static_cast<double>(count) / seconds : 0.0, loaded,
           roundTrips.size(), failures);
    for (const auto& fault : faults)
        printf("  %u inputs: %s\n", fault.second, fault.first.c_str());
    EXPECT_EQ(0u, failures);
}
