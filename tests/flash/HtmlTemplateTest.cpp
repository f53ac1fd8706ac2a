#include "flash/HtmlTemplate.h"

#include "TestEnvironment.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::TempDir;
using vantor::test::WriteFile;

TEST(HtmlTemplate, ReplaceTagFindsEveryOccurrenceWhateverItsCaseInTheDefaultTemplate)
{
    struct Case {
        const char* text;
        const char* tag;
        const char* value;
        const char* expected;
    };
    const Case cases[] = {
        { "<b><swftitle></b>", "<SWFTITLE>", "Demo", "<b>Demo</b>" },
        { "<SwfTitle>-<SWFTITLE>-<swftitle>", "<SWFTITLE>", "T", "T-T-T" },
        { "<TITLE>Keep</TITLE>", "<SWFTITLE>", "x", "<TITLE>Keep</TITLE>" },
        { "<SWFFILES>", "<SWFFILES>", "<SWFFILES>", "<SWFFILES>" },
        { "é<cs_x>ü", "<CS_X>", "Ö", "éÖü" },
    };
    for (const Case& c : cases)
        EXPECT_EQ(ReplaceTag(c.text, c.tag, c.value), c.expected) << c.text;

    // The default template: thirty CR LF lines, the text tags from the table.
    const std::string& raw = RawDefaultTemplate();
    EXPECT_EQ(raw.size(), 791u);
    EXPECT_EQ(raw.substr(raw.size() - 16), "</BODY>\r\n</HTML>");
    const std::string page = GetDefaultTemplate();
    EXPECT_EQ(page.find("<CS_"), std::string::npos);
    EXPECT_NE(page.find("\r\nTo embed the movie in your webpage:\r\n<UL>\r\n<LI>The export process generated "
                        "these files:\r\n<UL><SWFFILES></UL>\r\nCopy them all"),
        std::string::npos);
    EXPECT_NE(page.find("<LI>Copy this code into your page:\r\n"), std::string::npos);
}

TEST(HtmlTemplate, TemplateFilesThatAreNotSmallUtf8TextAreRefused)
{
    TempDir dir;
    const std::pair<std::string, int> cases[] = { { "caf\xE9", EILSEQ },
        { std::string(1024 * 1024 + 1, 'a'), EFBIG }, { std::string(1024 * 1024, 'a'), 0 } };
    for (const auto& [content, error] : cases) {
        WriteFile(dir / "t.html", content);
        std::string text;
        EXPECT_EQ(ReadTemplateFile(dir / "t.html", text), error) << content.size();
    }
    std::string text;
    EXPECT_EQ(ReadTemplateFile(dir.Path().string(), text), EISDIR);
}

} // namespace
