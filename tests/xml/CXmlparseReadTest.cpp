// Parsing, navigation and reading of CXmlparse documents.
#include "CXmlparse.h"

#include <gtest/gtest.h>

#include <string>

namespace {

// "End tag of %s element not found" and "Expecting end tag of element %s" cannot be produced: the
// end tag is only examined after its "<" and "/" have been seen.
TEST(XmlParse, ErrorsGiveMessageAndKeepTextWithoutPositions) {
    struct Row {
        const char* doc;
        const char* error;
    } rows[] = {
        {"", ""},
        {"</a><b/>", ""},
        {"plain text", "Element tag not found"},
        {"<a><b>text</b>", "Element tag not found"},
        {"<a><b/> <", "Abrupt end within tag"},
        {"<a>< \r\n\t", "Abrupt end within tag"},
        {"<'a'/>", "Tag starts with quote"},
        {"<?xml version=\"1.0\"", "Invalid node"},
        {"<!-- no end ->", "Invalid node"},
        {"<a><![CDATA[x]]</a>", "Invalid node"},
        {"<!DOCTYPE a [<!ENTITY e \"v\">", "Invalid node"},
        {"<a b=\"1\"", "End of tag not found"},
        {"<a>text</b>", "End tag does not correspond to a"},
        {"<a><b></a>", "End tag does not correspond to b"},
        {"<ab></a>", "End tag does not correspond to ab"},
        {"<a></>", "End tag does not correspond to a"},
        {"<a></a", "End tag not completed for element a"},
        {"<a></", "End tag not completed for element a"},
        {"<a></a \"x>", "End tag not completed for element a"},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.doc);
        CXmlparse xml;
        EXPECT_FALSE(xml.setDoc(row.doc));
        EXPECT_EQ(xml.getError(), row.error);
        EXPECT_EQ(xml.getDoc(), row.doc);
        EXPECT_EQ(xml.getPositions().size(), 1u);
        EXPECT_FALSE(xml.findElem());
    }
}

TEST(XmlParse, SuccessClearsThePreviousError) {
    CXmlparse xml;
    EXPECT_FALSE(xml.setDoc("<a>"));
    EXPECT_TRUE(xml.setDoc("<a/>"));
    EXPECT_EQ(xml.getError(), "");
}

TEST(XmlParse, SkipsDeclarationCommentsCdataAndDoctype) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("\xEF\xBB\xBF<?xml version=\"1.0\"?>\n<!-- <x/> -->"
                           "<!DOCTYPE r [<!ENTITY e \"<>\"> <!ELEMENT r ANY>]>\r\n"
                           "<r><!-- <b/> --><?pi <c/> ?><![CDATA[<d/>]]><e/></r><after/>"));
    EXPECT_EQ(xml.getError(), "");
    ASSERT_EQ(xml.getPositions().size(), 3u); // root, r, e; text after the top element is ignored
    ASSERT_TRUE(xml.findElem("r"));
    ASSERT_TRUE(xml.intoElem());
    EXPECT_TRUE(xml.findElem("e"));
    EXPECT_FALSE(xml.findElem());
}

TEST(XmlParse, RecordsOffsetsAndLinks) {
    CXmlparse xml;
    //                 0123456789012345678901234
    ASSERT_TRUE(xml.setDoc(" <a x='1'><b/>t<c></c></a>"));
    auto p = xml.getPositions();
    ASSERT_EQ(p.size(), 4u);
    auto fields = [](const CXmlparse::ElemPos& e) {
        return std::vector<int>{e.startL,   e.startR,   e.endL,         e.endR,
                                e.reserved, e.parentIx, e.firstChildIx, e.nextIx};
    };
    EXPECT_EQ(fields(p[0]), (std::vector<int>{0, 0, 0, 0, 0, 0, 1, 0}));
    EXPECT_EQ(fields(p[1]), (std::vector<int>{1, 9, 22, 25, 0, 0, 2, 0}));
    EXPECT_EQ(fields(p[2]), (std::vector<int>{10, 13, 12, 13, 0, 1, 0, 3}));
    EXPECT_EQ(fields(p[3]), (std::vector<int>{15, 17, 18, 21, 0, 1, 0, 0}));
}

TEST(XmlParse, DeepNestingDoesNotExhaustTheStack) {
    std::string doc;
    const int depth = 200000;
    for (int i = 0; i < depth; ++i)
        doc += "<d>";
    for (int i = 0; i < depth; ++i)
        doc += "</d>";
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc(doc));
    EXPECT_EQ(xml.getPositions().size(), static_cast<size_t>(depth) + 1);
}

TEST(XmlParse, GreaterThanInAttributeValueEndsStartTag) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<a v=\"1>2\">x</a>"));
    ASSERT_TRUE(xml.findElem("a"));
    EXPECT_EQ(xml.getData(), "2\">x");
    EXPECT_EQ(xml.getAttrib("v"), ""); // the value is cut by the end of the start tag
}

TEST(XmlData, OfTopElement) {
    struct Row {
        const char* doc;
        const char* data;
    } rows[] = {
        {"<a>x &amp; y &nbsp; &#38; &amp</a>", "x & y &nbsp; &#38; &amp"},
        {"<a>&lt;&gt;&apos;&quot;&amp;amp;</a>", "<>'\"&amp;"},
        {"<a> \r\n keep blanks </a>", " \r\n keep blanks "},
        {"<a>\r\n\t <![CDATA[1 < 2 &amp; ]]>tail</a>", "1 < 2 &amp; "},
        {"<a><![CDATA[x]]></a>", "x"},
        {"<a>&lt;![CDATA[x]]&gt;</a>", "<![CDATA[x]]>"},
        {"<a><b/></a>", ""},
        {"<a/>", ""},
        {"<a></a>", ""},
    };
    for (const Row& row : rows) {
        SCOPED_TRACE(row.doc);
        CXmlparse xml;
        ASSERT_TRUE(xml.setDoc(row.doc));
        ASSERT_TRUE(xml.findElem());
        EXPECT_EQ(xml.getData(), row.data);
    }
}

TEST(XmlData, TopWithOneEmptyChildGivesTwoEntriesAndNoData) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<top>\r\n<child/>\r\n</top>"));
    EXPECT_EQ(xml.getPositions().size(), 3u);
    ASSERT_TRUE(xml.findElem("top"));
    EXPECT_EQ(xml.getData(), "");
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.findElem("child"));
    EXPECT_EQ(xml.getData(), "");
}

TEST(XmlNavigation, FindElemSearchesOnlyForward) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<r><a>1</a><b>2</b><c>3</c></r>"));
    ASSERT_TRUE(xml.findElem("r"));
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.findElem("b"));
    EXPECT_FALSE(xml.findElem("a")); // earlier sibling is skipped...
    EXPECT_EQ(xml.getData(), "2");   // ...and the cursor stays where it was
    ASSERT_TRUE(xml.findElem("c"));
    EXPECT_EQ(xml.getData(), "3");
    EXPECT_FALSE(xml.findElem());

    xml.resetPos();
    ASSERT_TRUE(xml.findElem("r"));
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.findElem("a"));
    EXPECT_EQ(xml.getData(), "1");
}

TEST(XmlNavigation, OutAndBackInResumesAfterRememberedChild) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<r><a><x/></a><b/><c/></r>"));
    EXPECT_FALSE(xml.intoElem());  // nothing current yet
    EXPECT_FALSE(xml.outOfElem()); // already at the document level
    ASSERT_TRUE(xml.findElem("r"));
    ASSERT_TRUE(xml.intoElem());
    ASSERT_TRUE(xml.findElem("b"));
    ASSERT_TRUE(xml.outOfElem());
    EXPECT_FALSE(xml.findElem()); // r has no sibling
    ASSERT_TRUE(xml.intoElem());  // back at b
    ASSERT_TRUE(xml.findElem());
    ASSERT_TRUE(xml.setAttrib("seen", "1"));
    EXPECT_NE(xml.getDoc().find("<c seen=\"1\"/>"), std::string::npos);

    ASSERT_TRUE(xml.outOfElem()); // out of r: back at the document level
    EXPECT_FALSE(xml.outOfElem());
    EXPECT_FALSE(xml.findElem());
}

TEST(XmlNavigation, IntoElemWithoutChildrenLeavesNoCurrent) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<a x=\"1\">text</a>"));
    ASSERT_TRUE(xml.findElem());
    ASSERT_TRUE(xml.intoElem());
    EXPECT_FALSE(xml.findElem());
    EXPECT_EQ(xml.getData(), "");
    EXPECT_EQ(xml.getAttrib("x"), "");
    EXPECT_FALSE(xml.setAttrib("x", "2"));
    EXPECT_FALSE(xml.intoElem());
}

TEST(XmlNameMatch, TagAndAttributeNamesFollowTheSameRule) {
    struct Row {
        const char* wanted;
        bool found;
    } rows[] = {{"Item", true},    {"Item more", true}, {"Item=", true},  {"Item/x", true},
                {"Item[1]", true}, {"Ite", false},      {"Items", false}, {"item", false}};
    for (const Row& row : rows) {
        SCOPED_TRACE(row.wanted);
        CXmlparse xml;
        ASSERT_TRUE(xml.setDoc("<Item Item=\"v\"/>"));
        EXPECT_EQ(xml.findElem(row.wanted), row.found);
        xml.resetPos();
        ASSERT_TRUE(xml.findElem());
        EXPECT_EQ(xml.getAttrib(row.wanted), row.found ? "v" : "");
    }
}

TEST(XmlAttrib, ReadsQuotedValuesOfTheStartTagOnly) {
    CXmlparse xml;
    ASSERT_TRUE(xml.setDoc("<a x=\"1\" y='two' z = \"3\" w=4 xy=\"5\" e=\"&quot;&lt;&amp;\">"
                           "<b q=\"in child\"/></a>"));
    ASSERT_TRUE(xml.findElem());
    EXPECT_EQ(xml.getAttrib("x"), "1");
    EXPECT_EQ(xml.getAttrib("y"), "two");
    EXPECT_EQ(xml.getAttrib("z"), "3");
    EXPECT_EQ(xml.getAttrib("w"), ""); // unquoted values are not attributes
    EXPECT_EQ(xml.getAttrib("xy"), "5");
    EXPECT_EQ(xml.getAttrib("e"), "\"<&");
    EXPECT_EQ(xml.getAttrib("q"), "");

    ASSERT_TRUE(xml.setDoc("<a / x=\"1\"></a>"));
    ASSERT_TRUE(xml.findElem());
    EXPECT_EQ(xml.getAttrib("x"), ""); // the scan stops at "/"
}

} // namespace
