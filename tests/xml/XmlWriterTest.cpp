// The writer's exact output.
#include "xml/AdvXMLParser.h"

#include <gtest/gtest.h>

#include <string>

using namespace AdvXMLParser;

TEST(XmlWriter, SettingsFileLayout)
{
    Document document("Application");
    Element* root = document.Root();
    root->SetAttribute("Name", "Vantor Batch Export");
    Element* configuration = root->Child("Program")->Child("Configuration");
    root->Child("Program")->SetAttribute("Name", "Vantor Batch Export");
    Element* height = configuration->Child("Value");
    height->SetAttribute("Name", "Height");
    height->SetAttribute("Type", "Integer");
    height->Child("Contents")->AddText("480");
    Element* movies = configuration->Child("Value", 1);
    movies->SetAttribute("Name", "Movies");
    movies->SetAttribute("Type", "MultiString");
    movies->SetAttribute("Delimiter", ",");
    movies->SetAttribute("QuoteChar", "\"");
    movies->Child("Contents")->AddText("\"a.vtr\",\"b & c.vtr\"");
    configuration->Child("Key")->SetAttribute("Name", "Empty");
    EXPECT_EQ(document.ToString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Application Name=\"Vantor Batch Export\">\n"
        "  <Program Name=\"Vantor Batch Export\">\n"
        "    <Configuration>\n"
        "      <Value Name=\"Height\" Type=\"Integer\">\n"
        "        <Contents>480</Contents>\n"
        "      </Value>\n"
        "      <Value Name=\"Movies\" Type=\"MultiString\" Delimiter=\",\" QuoteChar=\"&quot;\">\n"
        "        <Contents>&quot;a.vtr&quot;,&quot;b &amp; c.vtr&quot;</Contents>\n"
        "      </Value>\n"
        "      <Key Name=\"Empty\"/>\n"
        "    </Configuration>\n"
        "  </Program>\n"
        "</Application>");
}

TEST(XmlWriter, EscapesTheFivePredefinedCharactersOnly)
{
    Document document("r");
    document.Root()->SetAttribute("a", "<>&'\"\t\xE9");
    document.Root()->AddText("<>&'\"\t\xE9]]>");
    EXPECT_EQ(document.ToString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<r a=\"&lt;&gt;&amp;&apos;&quot;\t\xE9\">"
        "&lt;&gt;&amp;&apos;&quot;\t\xE9]]&gt;</r>");
}

TEST(XmlWriter, CommentsPisAndCDataSitOnLinesOfTheirOwn)
{
    auto document = Parser::Parse("<?xml version='1.1' encoding='ISO-8859-1' standalone='no'?>"
                                  "<!--top--><r><a>t<![CDATA[x<y]]></a><?p?><?q d?><!--c--><b/></r><?end?>");
    EXPECT_EQ(document->ToString(),
        "<?xml version=\"1.1\" encoding=\"ISO-8859-1\"?>\n"
        "<!--top-->\n"
        "<r>\n"
        "  <a>t\n"
        "  <![CDATA[x<y]]>\n"
        "</a>\n"
        "<?p?>\n"
        "<?q d?>\n"
        "<!--c-->\n"
        "  <b/>\n"
        "</r>\n"
        "<?end?>\n");
}

TEST(XmlWriter, ReferencesInAttributeValuesAreWrittenAsTheirCharacters)
{
    auto document = Parser::Parse("<r a=' &#65;&#x9;&lt;&#xe9; '/>");
    EXPECT_EQ(document->ToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r a=\"A\t&lt;\xE9\"/>");

    // Standing alone a character reference writes as uppercase hexadecimal.
    FormattingContext context;
    CharRef(0xE9).Write(context);
    CharRef(9).Write(context);
    EntityRef("amp").Write(context);
    EXPECT_EQ(context.Output(), "&#xE9;&#x9;&amp;");
}

TEST(XmlWriter, WithoutFormattingNothingIsAdded)
{
    auto document = Parser::Parse("<r><a x='1'><b/>t</a><!--c--></r>");
    EXPECT_EQ(document->ToCompactString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><a x=\"1\"><b/>t</a><!--c--></r>");
}

TEST(XmlWriter, WrittenDocumentParsesBackToTheSameValues)
{
    Document document("Configuration");
    Element* root = document.Root();
    for (int i = 0; i < 3; ++i) {
        Element* value = root->Child("Value", i);
        value->SetAttribute("Name", "N" + std::to_string(i) + " <&>");
        value->Child("Contents")->AddText("text '" + std::to_string(i) + "' \"q\"");
    }
    // The layout's line feeds and indentation come back as whitespace text
    // nodes, which value texts ignore.
    auto parsed = Parser::Parse(document.ToString());
    for (int i = 0; i < 3; ++i) {
        Element* value = parsed->Root()->FindChild("Value", i);
        EXPECT_EQ(value->FindAttribute("Name")->Value(), "N" + std::to_string(i) + " <&>");
        EXPECT_EQ(value->FindChild("Contents")->Value(), "text '" + std::to_string(i) + "' \"q\"");
    }
}

TEST(XmlWriter, TextStaysWhereItStandsBetweenChildElements)
{
    auto document = Parser::Parse("<a>t<b>x<c/></b>u</a>");
    EXPECT_EQ(document->ToString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<a>t\n"
        "  <b>x\n"
        "    <c/>\n"
        "  </b>u\n"
        "</a>");
}

TEST(XmlWriter, IndentUnitAndEmptyDocuments)
{
    Document empty;
    EXPECT_EQ(empty.ToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

    Document document("r");
    document.Root()->Child("a")->Child("b")->AddText("t");
    FormattingContext tabs(0, "\t");
    document.Write(tabs);
    EXPECT_EQ(
        tabs.Output(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r>\n\t<a>\n\t\t<b>t</b>\n\t</a>\n</r>");

    // An element written on its own starts at depth one: no indentation.
    FormattingContext alone;
    document.Root()->FindChild("a")->Write(alone);
    EXPECT_EQ(alone.Output(), "<a>\n  <b>t</b>\n</a>");
}
