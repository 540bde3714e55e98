#include "settings/xml_node.h"

#include "tests/settings/settings_test_support.h"

#include <gtest/gtest.h>

namespace {

class XmlNodeTest : public ::testing::Test
{
protected:
    // A document from `xml`; `root` is its root element.
    void Load(const wchar_t* xml)
    {
        ASSERT_EQ(S_OK, CXmlNode::CreateDocument(document));
        CBstr text(xml);
        VARIANT_BOOL ok = VARIANT_FALSE;
        ASSERT_EQ(S_OK, document->loadXML(text.Get(), &ok));
        ASSERT_EQ(VARIANT_TRUE, ok);
        CComRef<IXMLDOMElement> element;
        ASSERT_EQ(S_OK, document->get_documentElement(element.Receive()));
        CComRef<IXMLDOMNode> node;
        ASSERT_EQ(S_OK, element.Query(IID_IXMLDOMNode, node));
        root = CXmlNode(document, node);
    }
    void SetUp() override { Load(L"<Root/>"); }

    // The names of the child elements of `node`, in document order.
    static std::wstring ChildNames(const CXmlNode& node)
    {
        std::wstring names;
        CComRef<IXMLDOMNode> child;
        node.Node()->get_firstChild(child.Receive());
        while (child) {
            CBstr name;
            child->get_nodeName(name.Receive());
            names += names.empty() ? L"" : L" ";
            names += name.Text();
            CComRef<IXMLDOMNode> next;
            child->get_nextSibling(next.Receive());
            child = std::move(next);
        }
        return names;
    }
    std::wstring Text(const CXmlNode& node, const wchar_t* name)
    {
        std::wstring text;
        EXPECT_EQ(S_OK, node.ReadText(name, text)) << name;
        return text;
    }

    CComRef<IXMLDOMDocument2> document;
    CXmlNode root;
};

} // namespace

TEST_F(XmlNodeTest, SelectTellsAMissingNodeFromAFoundOne)
{
    Load(L"<Root a=\"1\"><Child b=\"2\"/><Child b=\"3\"/></Root>");
    CXmlNode found;
    EXPECT_EQ(S_OK, root.Select(L"Child", found));
    ASSERT_FALSE(found.IsEmpty());
    EXPECT_EQ(L"2", Text(found, L"@b")) << "the first element of that name";
    EXPECT_EQ(S_OK, root.Select(L"@a", found));
    EXPECT_FALSE(found.IsEmpty());

    CXmlNode missing = root;
    EXPECT_EQ(S_FALSE, root.Select(L"Other", missing));
    EXPECT_TRUE(missing.IsEmpty());
    EXPECT_EQ(S_FALSE, root.Select(L"@b", missing)) << "attributes of children are not ours";
    EXPECT_EQ(S_FALSE, root.Select(L"child", missing)) << "names are case-sensitive";

    std::wstring text = L"kept";
    EXPECT_EQ(S_FALSE, root.ReadText(L"@zz", text));
    EXPECT_EQ(L"kept", text);
}

TEST_F(XmlNodeTest, AnEmptyNodeFailsInsteadOfCrashing)
{
    CXmlNode empty, child;
    EXPECT_TRUE(FAILED(empty.Select(L"Child", child)));
    EXPECT_TRUE(FAILED(empty.WriteInt(L"@a", 1)));
    EXPECT_EQ(7, empty.ReadInt(L"@a", 7));
}

TEST_F(XmlNodeTest, GetOrCreateAppendsOnlyWhenMissing)
{
    Load(L"<Root><A/><B/></Root>");
    CXmlNode node;
    ASSERT_EQ(S_OK, root.GetOrCreate(L"A", node));
    ASSERT_EQ(S_OK, root.GetOrCreate(L"C", node));
    ASSERT_EQ(S_OK, root.GetOrCreate(L"C", node));
    EXPECT_EQ(L"A B C", ChildNames(root));
    EXPECT_EQ(E_INVALIDARG, root.GetOrCreate(L"@attribute", node));
}

TEST_F(XmlNodeTest, BoolsAcceptOnlyTheFourExactSpellings)
{
    Load(L"<Root t=\"true\" one=\"1\" f=\"false\" zero=\"0\" upper=\"TRUE\" yes=\"yes\""
         L" spaced=\" true\" empty=\"\" two=\"2\"/>");
    for (bool fallback : {false, true}) {
        EXPECT_TRUE(root.ReadBool(L"@t", fallback));
        EXPECT_TRUE(root.ReadBool(L"@one", fallback));
        EXPECT_FALSE(root.ReadBool(L"@f", fallback));
        EXPECT_FALSE(root.ReadBool(L"@zero", fallback));
        for (const wchar_t* other : {L"@upper", L"@yes", L"@spaced", L"@empty", L"@two", L"@none"})
            EXPECT_EQ(fallback, root.ReadBool(other, fallback)) << other;
    }
}

TEST_F(XmlNodeTest, SignedIntegersUseTheAutomaticBaseAndRejectOverflow)
{
    Load(L"<Root hex=\"0x258\" HEX=\"0X1f\" octal=\"010\" spaced=\"  -12\" tail=\"12abc\""
         L" none=\"abc\" empty=\"\" max=\"2147483647\" min=\"-2147483648\" over=\"2147483648\""
         L" under=\"-2147483649\" hexover=\"0xFFFFFFFF\" nine=\"09\"/>");
    EXPECT_EQ(600, root.ReadInt(L"@hex", -1));
    EXPECT_EQ(31, root.ReadInt(L"@HEX", -1));
    EXPECT_EQ(8, root.ReadInt(L"@octal", -1));
    EXPECT_EQ(-12, root.ReadInt(L"@spaced", -1));
    EXPECT_EQ(12, root.ReadInt(L"@tail", -1));
    EXPECT_EQ(0, root.ReadInt(L"@none", -1)) << "text without digits reads as 0";
    EXPECT_EQ(0, root.ReadInt(L"@empty", -1));
    EXPECT_EQ(0, root.ReadInt(L"@nine", -1)) << "9 is no octal digit";
    EXPECT_EQ(2147483647, root.ReadInt(L"@max", -1));
    EXPECT_EQ(-2147483647 - 1, root.ReadInt(L"@min", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@over", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@under", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@hexover", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@missing", -1));
}

TEST_F(XmlNodeTest, UnsignedIntegersReadTheHexadecimalFormBack)
{
    Load(L"<Root flags=\"0x00000002\" max=\"4294967295\" over=\"4294967296\" octal=\"017\""
         L" junk=\"x\"/>");
    EXPECT_EQ(2u, root.ReadUnsigned(L"@flags", 99));
    EXPECT_EQ(4294967295u, root.ReadUnsigned(L"@max", 99));
    EXPECT_EQ(99u, root.ReadUnsigned(L"@over", 99));
    EXPECT_EQ(15u, root.ReadUnsigned(L"@octal", 99));
    EXPECT_EQ(0u, root.ReadUnsigned(L"@junk", 99));
    EXPECT_EQ(99u, root.ReadUnsigned(L"@missing", 99));
}

TEST_F(XmlNodeTest, PointsAndRectanglesNeedAllTheirNumbers)
{
    Load(L"<Root p=\"-5, +7\" short=\"5\" semi=\"1;2\" r=\"10,-20,110,+120\" three=\"10,20,110\"/>");
    POINT point{1, 2};
    ASSERT_TRUE(root.ReadPoint(L"@p", point));
    EXPECT_EQ(-5, point.x);
    EXPECT_EQ(7, point.y);
    point = POINT{1, 2};
    EXPECT_FALSE(root.ReadPoint(L"@short", point));
    EXPECT_FALSE(root.ReadPoint(L"@semi", point));
    EXPECT_FALSE(root.ReadPoint(L"@missing", point));
    EXPECT_EQ(1, point.x);
    EXPECT_EQ(2, point.y);

    RECT rect{1, 2, 3, 4};
    ASSERT_TRUE(root.ReadRect(L"@r", rect));
    EXPECT_EQ(10, rect.left);
    EXPECT_EQ(-20, rect.top);
    EXPECT_EQ(110, rect.right);
    EXPECT_EQ(120, rect.bottom);
    rect = RECT{1, 2, 3, 4};
    EXPECT_FALSE(root.ReadRect(L"@three", rect));
    EXPECT_EQ(1, rect.left);
    EXPECT_EQ(4, rect.bottom);
}

TEST_F(XmlNodeTest, TimesAreUtcTextsWithAllSevenNumbers)
{
    Load(L"<Root t=\"2026-12-05T20:30:00.123Z\" noz=\"2026-12-05T20:30:00.123\""
         L" six=\"2026-12-05T20:30:00Z\" month=\"2026-13-05T20:30:00.000Z\""
         L" day=\"2026-02-30T20:30:00.000Z\" words=\"tomorrow\"/>");
    const SYSTEMTIME expected = LocalOf(2026, 12, 5, 20, 30, 0, 123);
    SYSTEMTIME time{};
    ASSERT_TRUE(root.ReadTime(L"@t", time));
    EXPECT_TRUE(SameTime(expected, time)) << TimeText(time);
    time = SYSTEMTIME{};
    ASSERT_TRUE(root.ReadTime(L"@noz", time)) << "the final Z is not needed";
    EXPECT_TRUE(SameTime(expected, time)) << TimeText(time);

    SYSTEMTIME untouched{};
    GetLocalTime(&untouched);
    for (const wchar_t* bad : {L"@six", L"@month", L"@day", L"@words", L"@missing"}) {
        time = untouched;
        EXPECT_FALSE(root.ReadTime(bad, time)) << bad;
        EXPECT_TRUE(SameTime(untouched, time)) << bad;
    }
}

TEST_F(XmlNodeTest, WritingSetsAttributesChildTextOrOwnText)
{
    ASSERT_EQ(S_OK, root.WriteText(L"@a", L"one"));
    ASSERT_EQ(S_OK, root.WriteText(L"@a", L"two"));
    EXPECT_EQ(L"two", Text(root, L"@a")) << "replaced, not added";

    ASSERT_EQ(S_OK, root.WriteText(L"Child", L"inner"));
    ASSERT_EQ(S_OK, root.WriteText(L"Child", L"changed"));
    EXPECT_EQ(L"Child", ChildNames(root));
    EXPECT_EQ(L"changed", Text(root, L"Child"));

    CXmlNode child;
    ASSERT_EQ(S_OK, root.Select(L"Child", child));
    ASSERT_EQ(S_OK, child.WriteText(nullptr, L"own"));
    EXPECT_EQ(L"own", Text(child, nullptr));
}

TEST_F(XmlNodeTest, WritingAnAbsentValueRemovesTheNode)
{
    ASSERT_EQ(S_OK, root.WriteText(L"@a", L"1"));
    ASSERT_EQ(S_OK, root.WriteText(L"Child", L"x"));
    ASSERT_EQ(S_OK, root.WriteText(L"Other", L"y"));

    EXPECT_TRUE(SUCCEEDED(root.WriteText(L"@a", nullptr)));
    EXPECT_TRUE(SUCCEEDED(root.WriteText(L"Child", nullptr)));
    CXmlNode gone;
    EXPECT_EQ(S_FALSE, root.Select(L"@a", gone));
    EXPECT_EQ(S_FALSE, root.Select(L"Child", gone));
    EXPECT_EQ(L"Other", ChildNames(root));
    EXPECT_TRUE(SUCCEEDED(root.WriteText(L"@never", nullptr))) << "removing nothing is fine";
}

TEST_F(XmlNodeTest, NumbersArePrintedInTheirFileFormats)
{
    ASSERT_EQ(S_OK, root.WriteBool(L"@t", true));
    ASSERT_EQ(S_OK, root.WriteBool(L"@f", false));
    ASSERT_EQ(S_OK, root.WriteInt(L"@i", -2147483647 - 1));
    ASSERT_EQ(S_OK, root.WriteLong(L"@l", 86399));
    ASSERT_EQ(S_OK, root.WriteUnsigned(L"@u", 4294967295u));
    ASSERT_EQ(S_OK, root.WriteUnsigned(L"@x", 0x2Au, true));
    ASSERT_EQ(S_OK, root.WritePoint(L"@p", POINT{-32000, 7}));
    ASSERT_EQ(S_OK, root.WriteRect(L"@r", RECT{10, 20, -110, 120}));
    EXPECT_EQ(L"true", Text(root, L"@t"));
    EXPECT_EQ(L"false", Text(root, L"@f"));
    EXPECT_EQ(L"-2147483648", Text(root, L"@i"));
    EXPECT_EQ(L"86399", Text(root, L"@l"));
    EXPECT_EQ(L"4294967295", Text(root, L"@u"));
    EXPECT_EQ(L"0x0000002A", Text(root, L"@x"));
    EXPECT_EQ(L"-32000,7", Text(root, L"@p"));
    EXPECT_EQ(L"10,20,-110,120", Text(root, L"@r"));
}

TEST_F(XmlNodeTest, APointNamedAsAnElementBecomesXAndYAttributes)
{
    ASSERT_EQ(S_OK, root.WritePoint(L"Corner", POINT{-3, 44}));
    CXmlNode corner;
    ASSERT_EQ(S_OK, root.Select(L"Corner", corner));
    EXPECT_EQ(L"-3", Text(corner, L"@x"));
    EXPECT_EQ(L"44", Text(corner, L"@y"));
}

TEST_F(XmlNodeTest, ATimeIsWrittenAsUtcAndReadBackToTheMillisecond)
{
    const SYSTEMTIME local = LocalOf(2027, 3, 1, 23, 59, 58, 7);
    ASSERT_EQ(S_OK, root.WriteTime(L"@time", local));
    EXPECT_EQ(L"2027-03-01T23:59:58.007Z", Text(root, L"@time"));
    SYSTEMTIME read{};
    ASSERT_TRUE(root.ReadTime(L"@time", read));
    EXPECT_TRUE(SameTime(local, read)) << TimeText(read);

    SYSTEMTIME invalid = local;
    invalid.wMonth = 14;
    EXPECT_TRUE(FAILED(root.WriteTime(L"@bad", invalid)));
    CXmlNode none;
    EXPECT_EQ(S_FALSE, root.Select(L"@bad", none));
}
