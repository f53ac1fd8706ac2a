// The writer's exact output. The settings file layout itself is pinned by
// the settings store tests.
#include "xml/AdvXMLParser.h"

#include <gtest/gtest.h>

#include <string>

using namespace AdvXMLParser;

TEST(XmlWriter, EscapesTheFivePredefinedCharactersOnlyAndWritesReferencesAsCharacters)
{
    Document document("r");
    document.Root()->SetAttribute("a", "<>&'\"\t\xE9");
    document.Root()->AddText("<>&'\"\t\xE9]]>");
    EXPECT_EQ(document.ToString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<r a=\"&lt;&gt;&amp;&apos;&quot;\t\xE9\">"
        "&lt;&gt;&amp;&apos;&quot;\t\xE9]]&gt;</r>");

    // References in attribute values are written as their characters.
    auto referenced = Parser::Parse("<r a=' &#65;&#x9;&lt;&#xe9; '/>");
    EXPECT_EQ(referenced->ToString(), "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<r a=\"A\t&lt;\xE9\"/>");

    // Standing alone a character reference writes as uppercase hexadecimal.
    FormattingContext context;
    CharRef(0xE9).Write(context);
    CharRef(9).Write(context);
    EntityRef("amp").Write(context);
    EXPECT_EQ(context.Output(), "&#xE9;&#x9;&amp;");
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

TEST(XmlWriter, TextStaysWhereItStandsAndWithoutFormattingNothingIsAdded)
{
    auto document = Parser::Parse("<a>t<b>x<c/></b>u</a>");
    EXPECT_EQ(document->ToString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<a>t\n"
        "  <b>x\n"
        "    <c/>\n"
        "  </b>u\n"
        "</a>");
    EXPECT_EQ(Parser::Parse("<r><a x='1'><b/>t</a><!--c--></r>")->ToCompactString(),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?><r><a x=\"1\"><b/>t</a><!--c--></r>");
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
