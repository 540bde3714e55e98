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

TEST_F(XmlNodeTest, SignedIntegersUseTheAutomaticBaseAndRejectOverflow)
{
    Load(L"<Root octal=\"010\" nine=\"09\" spaced=\"  -0X1f\" none=\"abc\" max=\"2147483647\""
         L" over=\"2147483648\" under=\"-2147483649\" hexover=\"0xFFFFFFFF\"/>");
    EXPECT_EQ(8, root.ReadInt(L"@octal", -1));
    EXPECT_EQ(0, root.ReadInt(L"@nine", -1)) << "9 is no octal digit";
    EXPECT_EQ(-31, root.ReadInt(L"@spaced", -1));
    EXPECT_EQ(0, root.ReadInt(L"@none", -1)) << "text without digits reads as 0";
    EXPECT_EQ(2147483647, root.ReadInt(L"@max", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@over", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@under", -1));
    EXPECT_EQ(-1, root.ReadInt(L"@hexover", -1));
}

TEST_F(XmlNodeTest, ATimeNeedsSevenNumbersThatMakeADate)
{
    Load(L"<Root six=\"2026-12-05T20:30:00Z\" month=\"2026-13-05T20:30:00.000Z\""
         L" day=\"2026-02-30T20:30:00.000Z\" year=\"12026-02-03T20:30:00.000Z\""
         L" words=\"soon\""
         L" ms=\"2026-02-03T20:30:00.1239Z\"/>");
    SYSTEMTIME untouched{};
    GetLocalTime(&untouched);
    // A number wider than it is written ends the match there.
    for (const wchar_t* bad :
         {L"@six", L"@month", L"@day", L"@year", L"@words", L"@missing"}) {
        SYSTEMTIME time = untouched;
        EXPECT_FALSE(root.ReadTime(bad, time)) << bad;
        EXPECT_TRUE(SameTime(untouched, time)) << bad;
    }
    // The seventh number is the last one read: three digits of milliseconds.
    SYSTEMTIME time = untouched;
    ASSERT_TRUE(root.ReadTime(L"@ms", time));
    EXPECT_EQ(123, time.wMilliseconds);
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
    EXPECT_TRUE(SUCCEEDED(root.WriteText(L"@never", nullptr))) << "removing nothing is fine";
    CXmlNode gone;
    EXPECT_EQ(S_FALSE, root.Select(L"@a", gone));
    EXPECT_EQ(L"Other", ChildNames(root));
}

TEST_F(XmlNodeTest, APointNamedAsAnElementBecomesXAndYAttributes)
{
    ASSERT_EQ(S_OK, root.WritePoint(L"Corner", POINT{-3, 44}));
    CXmlNode corner;
    ASSERT_EQ(S_OK, root.Select(L"Corner", corner));
    EXPECT_EQ(L"-3", Text(corner, L"@x"));
    EXPECT_EQ(L"44", Text(corner, L"@y"));
}

