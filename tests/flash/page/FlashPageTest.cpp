#include "flash/page/FlashPage.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

namespace {

using namespace vantor::page;
using namespace vantor::test;

// The English texts are in use: nothing in this process set others.
FlashPageRequest DemoRequest(const std::string& templateName, const std::string& folder)
{
    FlashPageRequest request;
    request.templateName = templateName;
    request.templatesFolder = folder;
    request.title = "demo";
    request.movieFile = "demo_toolbar.swf";
    request.width = 640;
    request.height = 504;
    request.files = { "demo.swf", "demo_toolbar.swf" };
    return request;
}

TEST(FlashPage, DefaultTemplatePageIsExactlyThisText)
{
    TempDir dir;
    const std::string object = "<object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"640\" "
                               "height=\"504\"><param name=\"movie\" value=\"demo_toolbar.swf\"><param "
                               "name=\"quality\" value=\"high\"><param name=\"allowFullScreen\" "
                               "value=\"true\"><embed src=\"demo_toolbar.swf\" quality=\"high\" "
                               "allowFullScreen=\"true\" width=\"640\" height=\"504\" "
                               "type=\"application/x-shockwave-flash\"></embed></object>";
    const std::string expected = "<HTML>\r\n<HEAD>\r\n<!-- saved from url=(0013)about:internet -->\r\n"
                                 "<TITLE>\r\ndemo\r\n</TITLE>\r\n</HEAD>\r\n"
                                 "<BODY style=\"font-family: arial; font-size: 9pt; background-color: "
                                 "#FFFFFF\">\r\n<B>\r\ndemo\r\n</B>\r\n<BR>\r\n"
        + object
        + "\r\n<BR><BR>\r\n<TABLE style=\"padding: 8px; font-size: 9pt; background-color: #f8f8f8; border: "
          "#d0d0d0 1px solid; width: 460px\">\r\n<TR><TD>\r\nTo embed the movie in your webpage:\r\n<UL>\r\n"
          "<LI>The export process generated these files:\r\n"
          "<UL><LI>demo.swf</LI>\r\n<LI>demo_toolbar.swf</LI></UL>\r\n"
          "Copy them all to the same location as your webpage. These files contain the movie and playback "
          "controls.<BR><BR></LI>\r\n<LI>Copy this code into your page:\r\n"
          "<INPUT style=\"font-size: 9pt; border: #9090d0 1px solid; background-color: #ffffff; width: "
          "300px\" TYPE=\"TEXT\" NAME=movieembedcode value='"
        + object
        + "'></INPUT>\r\n</LI>\r\n</UL>\r\n"
          "If any further help is required, see the Help topic \"Exporting to Flash -> Displaying a Flash "
          "export on a webpage\".\r\n</TD></TR>\r\n</table>\r\n</BODY>\r\n</HTML>";

    // Both names of the built-in template; a missing file or one outside
    // the folder has it stand in.
    WriteFile(dir / "sub/t.html", "outside");
    const std::pair<std::string, TemplateSource> cases[]
        = { { "", TemplateSource::BuiltIn }, { "DEFAULT template", TemplateSource::BuiltIn },
              { "Gone", TemplateSource::MissingFile }, { "sub/t", TemplateSource::MissingFile } };
    for (const auto& [name, source] : cases) {
        TemplateSource found = TemplateSource::File;
        EXPECT_EQ(WriteFlashPage(dir / "demo.html", DemoRequest(name, dir.Path().string() + "/"), &found), 0);
        EXPECT_EQ(ReadFile(dir / "demo.html"), expected) << name;
        EXPECT_EQ(found, source) << name;
    }
}

// A template file's tags in any case; values escaped for the page.
TEST(FlashPage, TemplateFileTagsAnyCaseAndEscapedValues)
{
    TempDir dir;
    WriteFile(dir / "Site.HTML",
        "<h1><swftitle></h1><SwfObject><ul><SWFfiles></ul><cs_copy_this_code_into_your_page>");
    FlashPageRequest request = DemoRequest("site", dir.Path().string() + "/");
    request.title = "a&b";
    request.secureCode = "a b&\"c";
    request.flashVars = { { "movie", "it's.swf" } };
    request.movieFile = "it's.swf";
    request.files = { "<x>.swf" };
    EXPECT_EQ(MakeFlashPage(request),
        "<h1>a&amp;b</h1><object classid=\"clsid:D27CDB6E-AE6D-11cf-96B8-444553540000\" width=\"640\" "
        "height=\"504\"><param name=\"movie\" value=\"it&#39;s.swf\"><param name=\"quality\" "
        "value=\"high\"><param name=\"allowFullScreen\" value=\"true\"><param name=\"flashvars\" "
        "value=\"movie=it%27s.swf&amp;securecode=a%20b%26%22c\"><embed src=\"it&#39;s.swf\" quality=\"high\" "
        "allowFullScreen=\"true\" width=\"640\" height=\"504\" "
        "flashvars=\"movie=it%27s.swf&amp;securecode=a%20b%26%22c\" "
        "type=\"application/x-shockwave-flash\"></embed></object><ul><LI>&lt;x&gt;.swf</LI></ul>Copy this "
        "code "
        "into your page:");
}

} // namespace
