#include "flash/HtmlTemplate.h"
#include "flash/TemplateList.h"

#include "TestEnvironment.h"

#include <cerrno>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
using vantor::test::ReadFile;
using vantor::test::TempDir;
using vantor::test::WriteFile;

TEST(HtmlTemplate, ReplaceTagFindsEveryOccurrenceWhateverItsCase)
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
}

TEST(HtmlTemplate, DefaultTemplateIsThirtyCrLfLinesAndTheTextTagsComeFromTheTable)
{
    const std::string& raw = RawDefaultTemplate();
    EXPECT_EQ(raw.size(), 791u);
    EXPECT_EQ(raw.substr(0, 16), "<HTML>\r\n<HEAD>\r\n");
    EXPECT_EQ(raw.substr(raw.size() - 16), "</BODY>\r\n</HTML>");
    const std::string page = GetDefaultTemplate();
    EXPECT_EQ(page.find("<CS_"), std::string::npos);
    EXPECT_NE(page.find("\r\nTo embed the movie in your webpage:\r\n<UL>\r\n<LI>The export process generated "
                        "these files:\r\n<UL><SWFFILES></UL>\r\nCopy them all"),
        std::string::npos);
    EXPECT_NE(page.find("<LI>Copy this code into your page:\r\n"), std::string::npos);
}

TEST(HtmlTemplate, ListProposalsLoadNamesAndRefusedNames)
{
    TempDir dir;
    const std::string folder = dir / "Templates/";
    WriteFile(folder + "MyPage.HTML", "a");
    WriteFile(folder + "page.html", "b");
    WriteFile(folder + "page1.html", "c");
    WriteFile(folder + "old.htm", "d");
    WriteFile(folder + "New Template1.html", "e");
    TemplateList list(folder);
    list.Reload();
    ASSERT_EQ(list.Count(), 5);
    EXPECT_EQ(list.Entries()[0].name, "Default template");
    EXPECT_EQ(list.PathOf(list.IndexOf("mypage")), folder + "MyPage.HTML");
    EXPECT_EQ(list.IndexOf("old"), -1);
    EXPECT_EQ(list.ProposeName("New Template"), "New Template2");
    EXPECT_EQ(list.ProposeName("Copy of Default template"), "Copy of Default template1");
    EXPECT_EQ(list.LoadTargetName("/elsewhere/page.htm"), "page2");
    EXPECT_EQ(list.LoadTargetName("/elsewhere/Other.html"), "Other");

    // A typed name equal to a listed one writes that template's file.
    EXPECT_TRUE(list.CopyTemplate(list.IndexOf("page"), "MYPAGE"));
    EXPECT_EQ(ReadFile(folder + "MyPage.HTML"), "b");
    for (const char* name : { "../x", "/tmp/x", "a/b", "" })
        EXPECT_FALSE(list.CreateDefault(name)) << name;
    EXPECT_FALSE(std::filesystem::exists(dir / "x.html"));
    EXPECT_FALSE(std::filesystem::exists(folder + "a"));
}

TEST(HtmlTemplate, TemplateFilesThatAreNotSmallUtf8TextAreRefused)
{
    TempDir dir;
    struct Case {
        const char* name;
        std::string content;
        int error;
    };
    const Case cases[] = {
        { "latin1.html", "caf\xE9", EILSEQ },
        { "huge.html", std::string(1024 * 1024 + 1, 'a'), EFBIG },
        { "fits.html", std::string(1024 * 1024, 'a'), 0 },
        { "folder.html/inner", "", EISDIR },
    };
    for (const Case& c : cases)
        WriteFile(dir / c.name, c.content);
    for (const Case& c : cases) {
        std::string text;
        const std::string path = dir / std::string(c.name).substr(0, std::string(c.name).find('/'));
        EXPECT_EQ(ReadTemplateFile(path, text), c.error) << c.name;
    }
    std::string text;
    EXPECT_EQ(ReadTemplateFile(dir / "missing.html", text), ENOENT);
    TemplateList list(dir / "t/");
    EXPECT_FALSE(list.CopyFile(dir / "latin1.html", "latin1"));
    EXPECT_FALSE(std::filesystem::exists(dir / "t/latin1.html"));
}

} // namespace
