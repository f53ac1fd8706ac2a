// What the parser builds: the tree, value texts, line breaks, 8-bit bytes and
// the declarations it accepts.
#include "xml/AdvXMLParser.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

using namespace AdvXMLParser;

namespace {

// One line per child: its type number and name, and its own text.
std::vector<std::string> Describe(const NodeContainer& container)
{
    std::vector<std::string> lines;
    for (Node* child : container) {
        int type = 0;
        for (int t : { 1, 2, 3, 4, 5, 7, 8, 9 }) {
            if (child->IsType(static_cast<NodeType>(t)))
                type = t;
        }
        lines.push_back(std::to_string(type) + " " + child->Name() + " [" + child->OwnText() + "]");
    }
    return lines;
}

} // namespace

TEST(XmlParser, BuildsChildrenOfEveryKindInDocumentOrderAndTextNodesOfContent)
{
    auto document
        = Parser::Parse("<?xml version=\"1.0\"?>\n"
                        "<!--before--><?app go?>\n"
                        "<r a='1'>x &amp; y<!--c--><![CDATA[<raw>&amp;]]><?p data here?><e/>tail</r>\n"
                        "<!--after-->");
    EXPECT_EQ(Describe(*document),
        (std::vector<std::string> { "8 #comment [before]", "7 app [go]", "1 r []", "8 #comment [after]" }));
    Element* root = document->Root();
    EXPECT_EQ(root->Name(), "r");
    EXPECT_EQ(Describe(*root),
        (std::vector<std::string> { "3 #text [x & y]", "8 #comment [c]", "4 #cdata-section [<raw>&amp;]",
            "7 p [data here]", "1 e []", "3 #text [tail]" }));
    EXPECT_EQ(root->Parent(), document.get());

    // Text nodes of content.
    struct Case {
        const char* input;
        std::vector<std::string> children;
    };
    const Case cases[] = {
        // Whitespace between elements stays as text nodes.
        { "<r>\n  <a/>\n  <b/>\n</r>",
            { "3 #text [\n  ]", "1 a []", "3 #text [\n  ]", "1 b []", "3 #text [\n]" } },
        // Consecutive text and entities make one text node.
        { "<v>a&lt;b&unknown;c&amp;</v>", { "3 #text [a<bc&]" } },
        // Carriage returns read as line feeds.
        { "<v>a\r\nb</v>", { "3 #text [a\nb]" } },
        { "<v>a\rb</v>", { "3 #text [a\nb]" } },
        { "<v><!--1\r\n2\r3--><?p 1\r\n2?><![CDATA[1\r\n2\r3]]></v>",
            { "8 #comment [1\n2\n3]", "7 p [1\n2]", "4 #cdata-section [1\n2\n3]" } },
    };
    for (const Case& c : cases)
        EXPECT_EQ(Describe(*Parser::Parse(c.input)->Root()), c.children) << c.input;
}

TEST(XmlParser, AttributesKeepDocumentOrderAndReferenceNodes)
{
    auto document = Parser::Parse("<v b='2' a=\"1\" c='x&#65;&#x42;&lt;y' d='\"' e=\"'\"/>");
    Element* v = document->Root();
    std::vector<std::string> names;
    for (Attribute* attribute : v->Attributes())
        names.push_back(attribute->Name());
    EXPECT_EQ(names, (std::vector<std::string> { "b", "a", "c", "d", "e" }));
    Attribute* c = v->FindAttribute("c");
    EXPECT_EQ(c->Value(), "xAB<y");
    std::vector<std::string> parts = Describe(*c);
    EXPECT_EQ(parts,
        (std::vector<std::string> {
            "3 #text [x]", "5 #char-ref [A]", "5 #char-ref [B]", "5 lt [<]", "3 #text [y]" }));
    EXPECT_EQ(v->FindAttribute("d")->Value(), "\"");
    EXPECT_EQ(v->FindAttribute("e")->Value(), "'");
    EXPECT_TRUE(v->FindAttribute("missing")->IsNull());
}

TEST(XmlParser, ValueTextRules)
{
    struct Case {
        const char* input;
        const char* attribute; // the attribute of the root to read, or null for the root element
        const char* value;
    };
    const Case cases[] = {
        { "<v>  x   y  </v>", nullptr, "x y" },
        { "<r>\n  <a/>\n  <b/>\n</r>", nullptr, "" },
        { "<v xml:space=\"preserve\">  x   y  </v>", nullptr, "  x   y  " },
        { "<v xml:space=\"default\">  x   y  </v>", nullptr, "x y" },
        { "<v xml:space=\"Preserve\">  x </v>", nullptr, "x" },
        { "<v>\t a\r\n<b> in \n b </b>  c\t</v>", nullptr, "a in b c" },
        { "<v><w xml:space='preserve'> w  w </w></v>", nullptr, "w w" },
        { "<v xml:space='preserve'><w> w  w </w></v>", nullptr, "w w" },
        { "<v>&lt;&amp;&unknown;</v>", nullptr, "<&" },
        { "<v>&quot;&apos;&gt;</v>", nullptr, "\"'>" },
        { "<v>a&at;&lx;&gtx;&ampx;&quo;&aposx;b</v>", nullptr, "ab" },
        { "<v>a<!--b-->c</v>", nullptr, "abc" },
        { "<v><![CDATA[ <x>  y ]]></v>", nullptr, "<x> y" },
        { "<v xml:space='preserve'><![CDATA[ <x>  y ]]></v>", nullptr, " <x>  y " },
        { "<v a=\"&#65;&lt;\"/>", "a", "A<" },
        { "<v a=\"  pad  ded  \"/>", "a", "pad  ded" },
        { "<v a=\"&#32;x&#x20;\"/>", "a", "x" },
        { "<v a=\"&#9;&#10;&#13;&#255;\"/>", "a", "\xFF" },
        { "<v a=\"x\r\ny\rz\"/>", "a", "x\ny\nz" },
        { "<v a=''/>", "a", "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.input);
        auto document = Parser::Parse(c.input);
        if (c.attribute)
            EXPECT_EQ(document->Root()->FindAttribute(c.attribute)->Value(), c.value);
        else
            EXPECT_EQ(document->Root()->Value(), c.value);
    }
}

TEST(XmlParser, BytesAboveAsciiPassThroughUnchangedAndOnlyTheBufferLengthIsParsed)
{
    std::string high;
    for (int c = 0x80; c <= 0xFF; ++c)
        high += static_cast<char>(c);
    // Names may hold letters above 0x7F after an ASCII first character.
    const std::string input = "<r\xC0\xFF x='" + high + "'>" + high + "<![CDATA[" + high + "]]></r\xC0\xFF>";
    auto document = Parser::Parse(input);
    Element* root = document->Root();
    EXPECT_EQ(root->Name(), "r\xC0\xFF");
    EXPECT_EQ(root->FindAttribute("x")->Value(), high);
    EXPECT_EQ(root->FirstChild()->OwnText(), high);
    EXPECT_EQ(root->LastChild()->OwnText(), high);

    // A name must start with an ASCII letter, "_" or ":".
    EXPECT_THROW(Parser::Parse("<\xC0/>"), ParsingException);
    EXPECT_NO_THROW(Parser::Parse("<_:a.b-c\xB7\x31/>"));

    // Only the buffer length is parsed.
    const std::string text = "<a>x</a><b/>";
    auto cut = Parser::Parse(text.data(), 8);
    EXPECT_EQ(cut->Root()->Value(), "x");
    EXPECT_THROW(Parser::Parse(text.data(), 7), ParsingException);
    EXPECT_THROW(Parser::Parse(nullptr, 0), ParsingException);
    // A comment or instruction whose terminator ends the buffer exactly.
    for (const std::string tail : { "<!--c-->", "<?pi x?>" }) {
        const std::string whole = "<a/>" + tail;
        EXPECT_NO_THROW(Parser::Parse(whole.data(), whole.size())) << tail;
    }
}

TEST(XmlParser, StoresTheDeclarationValuesAndAcceptsTheWholeDocumentTypeGrammar)
{
    const char* accepted[] = {
        "<!DOCTYPE a><a/>",
        "<!DOCTYPE a SYSTEM 'a.dtd'><a/>",
        "<!DOCTYPE a PUBLIC \"-//Corvane//DTD Settings 1.0//EN\" 'http://x/s.dtd' ><a/>",
        "<!DOCTYPE a [ ]><a/>",
        "<!DOCTYPE a SYSTEM 'a.dtd' [\n"
        " <!ELEMENT a (b,(c|d)*,e?)+>\n"
        " <!ELEMENT b (#PCDATA)>\n"
        " <!ELEMENT b2 ( #PCDATA )*>\n"
        " <!ELEMENT c (#PCDATA|x|y)*>\n"
        " <!ELEMENT d EMPTY>\n"
        " <!ELEMENT e ANY>\n"
        " <!ELEMENT f ( x , y+ , ( z | w )? )>\n"
        " <!ATTLIST a id ID #REQUIRED ref IDREF #IMPLIED refs IDREFS #IMPLIED en ENTITY #IMPLIED\n"
        "    ens ENTITIES #IMPLIED t NMTOKEN 'x' ts NMTOKENS 'x y' n NOTATION (p|q) #IMPLIED\n"
        "    e ( one | two | 3 ) 'one' f CDATA #FIXED 'a&amp;&#65;' >\n"
        " <!ATTLIST b>\n"
        " <!ENTITY g 'text %pe; &amp; &#x41; &#66; &other;'>\n"
        " <!ENTITY % pe PUBLIC '-//Corvane//X' 'x.ent'>\n"
        " <!ENTITY u SYSTEM 'u.bin' NDATA png>\n"
        " <!ENTITY s SYSTEM \"s.xml\" >\n"
        " <!NOTATION png SYSTEM 'image/png'>\n"
        " <!NOTATION p PUBLIC 'p'>\n"
        " <!NOTATION q PUBLIC 'q' 'q.exe'>\n"
        " <!-- comment --> <?pi x?> %pe;\n"
        "]>\n"
        "<a/>",
    };
    for (const char* input : accepted) {
        SCOPED_TRACE(input);
        auto document = Parser::Parse(input);
        EXPECT_EQ(document->ChildCount(), 1u);
        EXPECT_EQ(document->Root()->Name(), "a");
    }

    // Declaring an entity does not make it known: content drops it and an
    // attribute value rejects it; no default attribute appears.
    const std::string subset = "<!DOCTYPE a [<!ENTITY e 'x'><!ATTLIST a d CDATA 'dv'>]>";
    auto document = Parser::Parse(subset + "<a>1&e;2</a>");
    EXPECT_EQ(document->Root()->Value(), "12");
    EXPECT_TRUE(document->Root()->FindAttribute("d")->IsNull());
    try {
        Parser::Parse(subset + "<a x='&e;'/>");
        FAIL() << "parsed without error";
    } catch (const ParsingException& e) {
        EXPECT_EQ(e.Code(), kErrorUnknownEntity);
    }

    // The declaration values are stored.
    struct Declaration {
        const char* input;
        const char* version;
        const char* encoding;
        bool standalone;
    };
    const Declaration declarations[] = {
        { "<a/>", "1.0", "UTF-8", true },
        { "<?xml version='1.1'?><a/>", "1.1", "UTF-8", true },
        { "<?xml version = \"1.0\" encoding = 'ISO-8859-1' standalone='no' ?>\n<a/>", "1.0", "ISO-8859-1",
            false },
        { "<?xml version='v_1:x-2' standalone=\"yes\"?><a/>", "v_1:x-2", "UTF-8", true },
        { "<?xml version='1.0' encoding='windows-1252'?><a>\xE9</a>", "1.0", "windows-1252", true },
    };
    for (const Declaration& c : declarations) {
        SCOPED_TRACE(c.input);
        auto declared = Parser::Parse(c.input);
        EXPECT_EQ(declared->Version(), c.version);
        EXPECT_EQ(declared->Encoding(), c.encoding);
        EXPECT_EQ(declared->Standalone(), c.standalone);
    }
}
