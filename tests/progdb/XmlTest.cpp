// The XML reader and writer: the tree the reader builds, the text decoding
// of files, the writer's layout and escaping.
#include <windows.h>

#include <gtest/gtest.h>

#include "TestUtil.h"
#include "progdb/XmlDocument.h"
#include "progdb/XmlWriter.h"

using testutil::ReadFileBytes;
using testutil::ScratchDir;

TEST(XmlDocument, BuildsATreeOfElementsOnly) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse("<?xml version=\"1.0\"?>\r\n<?pi data?><!-- top -->"
                          "<Top kind=\"a\" n='2'>intro<b>one</b><!-- c --><B>two</B>"
                          "<b>x &amp; y &lt; z &#233;<![CDATA[<raw>]]></b><?inner?></Top>"));
    const XmlNode& root = doc.Root();
    EXPECT_EQ(root.name, "root");
    ASSERT_EQ(root.children.size(), 1u);
    const XmlNode& top = root.children[0];
    EXPECT_EQ(top.name, "Top");
    EXPECT_EQ(top.attributes, (std::vector<std::pair<std::string, std::string>>{{"kind", "a"}, {"n", "2"}}));
    ASSERT_EQ(top.children.size(), 3u);

    const XmlNode* found = nullptr;
    EXPECT_EQ(top.FindChild("B", found), 1);
    EXPECT_EQ(found->text, "two");
    EXPECT_EQ(top.FindChild("top", found), -1);
    std::vector<const XmlNode*> list;
    ASSERT_TRUE(top.FindChildren("b", list));
    ASSERT_EQ(list.size(), 2u);
    EXPECT_EQ(list[0]->text, "one");
    if (::GetACP() == 1252) {
        EXPECT_EQ(list[1]->text, "x & y < z \xE9<raw>");
    }
    EXPECT_FALSE(top.FindChildren("c", list));
    EXPECT_TRUE(list.empty());
    EXPECT_EQ(top.ChildText("missing"), "");
}

TEST(XmlDocument, TheParserIsNotToldAnEncodingTheTextIsNoLongerIn) {
    // The text is decoded before parsing; an encoding the parser itself does
    // not know must not cost the document.
    for (const char* declared : {"<?xml version=\"1.0\" encoding=\"Shift_JIS\"?><a>x</a>",
                                 "<?xml version=\"1.0\" encoding=\"no-such-encoding\" standalone=\"yes\"?><a>x</a>",
                                 "<?xml version=\"1.0\" encoding=\"UTF-16\"?>\r\n<a>x</a>"}) {
        XmlDocument doc;
        ASSERT_TRUE(doc.Parse(declared)) << declared;
        EXPECT_EQ(doc.Root().children.at(0).text, "x");
    }
    // A database file in the publisher's code page, as it declares it.
    if (::GetACP() == 1252) {
        XmlDocument doc;
        ASSERT_TRUE(doc.Parse("<?xml version=\"1.0\" encoding=\"windows-1252\"?><a>\x80 caf\xE9</a>"));
        EXPECT_EQ(doc.Root().children.at(0).text, "\x80 caf\xE9");
    }
}

TEST(XmlDocument, ParseErrorsLeaveAnEmptyRoot) {
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse("<a><b/></a>"));
    for (const char* bad : {"", "plain text", "<a><b></a>", "<a>", "<a/><b/>", "<a>&undefined;</a>",
                            "<!DOCTYPE a><a/>", "<!doctype a><a/>"}) {
        EXPECT_FALSE(doc.Parse(bad)) << bad;
        EXPECT_EQ(doc.Root().name, "root");
        EXPECT_TRUE(doc.Root().children.empty()) << bad;
    }
}

TEST(XmlDocument, DecodesFileBytes) {
    // UTF-8, with or without a byte order mark; UTF-16 with one.
    EXPECT_EQ(DecodeXmlBytes("<a>\xC3\xA9</a>"), L"<a>\u00e9</a>");
    EXPECT_EQ(DecodeXmlBytes("\xEF\xBB\xBF<a/>"), L"<a/>");
    EXPECT_EQ(DecodeXmlBytes(std::string("\xFF\xFE<\0a\0/\0>\0", 10)), L"<a/>");
    EXPECT_EQ(DecodeXmlBytes(std::string("\xFE\xFF\0<\0a\0/\0>", 10)), L"<a/>");
    // Not UTF-8: the system's code page.
    EXPECT_EQ(DecodeXmlBytes("<a>\xE9</a>"), AnsiToWide("<a>\xE9</a>"));
    // A zero byte ends the text.
    EXPECT_EQ(DecodeXmlBytes(std::string("<a/>\0garbage", 12)), L"<a/>");

    // Without a byte order mark, the encoding the declaration names counts,
    // when the bytes are valid in it; else the rules above.
    const std::wstring cyrillic = DecodeXmlBytes("<?xml version=\"1.0\" encoding=\"Windows-1251\"?><a>\xE0</a>");
    EXPECT_EQ(cyrillic.substr(cyrillic.size() - 8), L"<a>\u0430</a>");
    const std::wstring latin2 = DecodeXmlBytes("<?xml version='1.0' encoding = 'ISO-8859-2' ?><a>\xB1</a>");
    EXPECT_EQ(latin2.substr(latin2.size() - 8), L"<a>\u0105</a>");
    for (const char* declared : {"<?xml version=\"1.0\" encoding=\"UTF-8\"?><a>\xE9</a>",
                                 "<?xml version=\"1.0\" encoding=\"no-such-encoding\"?><a>\xE9</a>",
                                 "<?xml version=\"1.0\" encoding=\"cp1\"?><a>\xE9</a>"}) {
        const std::wstring text = DecodeXmlBytes(declared);
        EXPECT_EQ(text.substr(text.size() - 8), AnsiToWide("<a>\xE9</a>")) << declared;
    }

    EXPECT_TRUE(IsValidUtf8("", 0));
    EXPECT_TRUE(IsValidUtf8("\xF4\x8F\xBF\xBF", 4));   // U+10FFFF
    EXPECT_FALSE(IsValidUtf8("\xF4\x90\x80\x80", 4));  // beyond Unicode
    EXPECT_FALSE(IsValidUtf8("\xC0\x80", 2));          // overlong
    EXPECT_FALSE(IsValidUtf8("\xE0\x80\xAF", 3));      // overlong
    EXPECT_FALSE(IsValidUtf8("\xED\xA0\x80", 3));      // surrogate
    EXPECT_FALSE(IsValidUtf8("\xC3", 1));              // cut short
    EXPECT_FALSE(IsValidUtf8("caf\xE9", 4));
}

TEST(XmlWriter, WritesTheLayoutAndEscapesText) {
    ScratchDir dir;
    XmlWriter w;
    EXPECT_FALSE(w.EndElement());
    ASSERT_TRUE(w.Open(dir.File("out.xml")));
    w.StartElement("database");
    w.StartElement("company");
    w.Element("name", "A & B <C>");
    w.Element("url", "");
    w.Element("description", "\r\n indented\x01");
    EXPECT_EQ(w.Depth(), 2);
    EXPECT_TRUE(w.EndElement());
    w.StartElement("open");
    // Close ends what is still open.
    ASSERT_TRUE(w.Close());
    EXPECT_EQ(ReadFileBytes(dir.File("out.xml")),
              XmlDeclaration() + "\r\n"
              "<database>\r\n"
              "    <company>\r\n"
              "        <name>A &amp; B &lt;C&gt;</name>\r\n"
              "        <url />\r\n"
              "        <description xml:space=\"preserve\">&#13;\n indented</description>\r\n"
              "    </company>\r\n"
              "    <open>\r\n"
              "    </open>\r\n"
              "</database>\r\n");

    XmlWriter nowhere;
    ASSERT_TRUE(nowhere.Open(dir.File("no folder\\out.xml")));
    EXPECT_FALSE(nowhere.Close());
}

TEST(XmlWriter, DeclaresTheCodePageByANameTheReaderKnows) {
    if (::GetACP() == 1252) {
        EXPECT_EQ(XmlDeclaration(), "<?xml version=\"1.0\" encoding=\"windows-1252\"?>");
    }
    // Whatever the system's code page, a file declared by its name reads
    // back in that code page.
    for (UINT codePage : {874u, 1250u, 1251u, 1252u, 1253u, 1254u, 1255u, 1256u, 1257u, 1258u, 932u, 936u, 949u, 950u,
                          20866u, 28592u, 28605u}) {
        if (!::IsValidCodePage(codePage)) continue;
        // Two letters, or one double-byte character.
        const std::string bytes = "\xC1\xC1";
        wchar_t letters[2] = {};
        const int n = ::MultiByteToWideChar(codePage, 0, bytes.data(), 2, letters, 2);
        ASSERT_GT(n, 0) << codePage;
        const std::wstring text = DecodeXmlBytes("<?xml version=\"1.0\" encoding=\"" + XmlEncodingName(codePage) +
                                                 "\"?><a>" + bytes + "</a>");
        EXPECT_NE(std::wstring::npos, text.find(L"<a>" + std::wstring(letters, static_cast<size_t>(n)) + L"</a>"))
            << codePage << " " << XmlEncodingName(codePage);
    }
}

TEST(XmlWriter, EscapedTextReadsBackUnchanged) {
    EXPECT_EQ(EscapeXmlText("a\"b'c"), "a\"b'c");
    EXPECT_EQ(EscapeXmlText("x\x01y\x1Fz\x7F"), "xyz\x7F");
    EXPECT_EQ(EscapeXmlText("1\r\n2\t3"), "1&#13;\n2\t3");

    const std::string text = "5 < 6 && 7 > 4; \"quoted\" 'single'\r\nnext line\ttab ]]> &amp;";
    XmlDocument doc;
    ASSERT_TRUE(doc.Parse("<a>" + EscapeXmlText(text) + "</a>"));
    EXPECT_EQ(doc.Root().children.at(0).text, text);
}
