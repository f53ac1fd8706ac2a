// The destination checks every export command makes, and the file names a
// run writes.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"

#include "app/BatchOutputNames.h"
#include "app/ExportChecks.h"

#include <filesystem>

#include <gtest/gtest.h>

namespace vantor {
namespace {

namespace fs = std::filesystem;

const char kOwner[] = "main window";

TEST(BatchRunChecksTest, FolderThatCannotBeCreatedShowsErrorMessage)
{
    test::TempDir temp;
    test::ScriptedDialogs dialogs;
    test::WriteFile(temp / "file", "x");

    EXPECT_TRUE(CheckDestinationFolder(temp / "new/folder", kOwner, "Caption"));
    EXPECT_TRUE(dialogs.messages.empty());
    EXPECT_TRUE(fs::is_directory(temp / "new/folder"));

    EXPECT_FALSE(CheckDestinationFolder(temp / "file/folder", kOwner, "CV Vantor Pro Batch Export"));
    EXPECT_FALSE(CheckDestinationFolder(std::string(PATH_MAX, 'x'), kOwner, "CV Vantor Pro Batch Export"));
    ASSERT_EQ(dialogs.messages.size(), 2u);
    for (const test::ShownMessage& shown : dialogs.messages) {
        EXPECT_EQ(shown.text, "Failed creating the destination folder");
        EXPECT_EQ(shown.caption, "CV Vantor Pro Batch Export");
        EXPECT_EQ(shown.flags, 0x10u);
    }
}

TEST(BatchRunChecksTest, OverwriteQuestionIsAskedOnceAtFirstExistingOutput)
{
    test::TempDir temp;
    const std::string dest = temp / "out";
    const std::vector<std::string> movies = { "/m/a.vtr", "/m/b.vtr", "/m/c.vtz" };
    const auto avi = [&dest](const std::string& movie) {
        return std::vector<std::string> { OutputFilePath(dest, movie, ExportFormat::AVI) };
    };
    const std::string exportQuestion = "The destination folder contains files of the same file name which\n\r"
                                       "will be overwritten during export. Are you sure you want to proceed?";
    const std::string convertQuestion
        = "The destination folder contains files of the same file name which\n\r"
          "will be overwritten during convertion. Are you sure you want to proceed?";

    {
        test::ScriptedDialogs dialogs;
        EXPECT_TRUE(ConfirmOverwrite(movies, avi, OverwriteQuestion::Export, kOwner, "Cap"));
        EXPECT_TRUE(dialogs.messages.empty());
    }
    test::WriteFile(dest + "/b.avi", "old");
    test::WriteFile(dest + "/c.avi", "old");
    struct Case {
        OverwriteQuestion question;
        int answer;
        bool proceeds;
        const std::string& text;
    };
    const Case cases[] = {
        { OverwriteQuestion::Export, platform::IDYES, true, exportQuestion },
        { OverwriteQuestion::Export, platform::IDNO, false, exportQuestion },
        { OverwriteQuestion::Conversion, platform::IDYES, true, convertQuestion },
        { OverwriteQuestion::Conversion, platform::IDNO, false, convertQuestion },
    };
    for (const Case& c : cases) {
        test::ScriptedDialogs dialogs;
        dialogs.messageAnswers = { c.answer };
        EXPECT_EQ(ConfirmOverwrite(movies, avi, c.question, kOwner, "Cap"), c.proceeds);
        ASSERT_EQ(dialogs.messages.size(), 1u);
        EXPECT_EQ(dialogs.messages[0].text, c.text);
        EXPECT_EQ(dialogs.messages[0].caption, "Cap");
        EXPECT_EQ(dialogs.messages[0].flags, 0x34u); // MB_YESNO | MB_ICONWARNING
    }
    // Asking changes nothing on disk.
    EXPECT_EQ(test::ReadFile(dest + "/b.avi"), "old");
}

TEST(BatchRunChecksTest, DeleteOutputsRemovesEveryExistingOutput)
{
    test::TempDir temp;
    const std::string dest = temp.Path().string();
    const auto outputs = [&dest](const std::string& movie) {
        const std::string stem = dest + "/" + ChangeFileExt(FileNamePart(movie), "");
        return std::vector<std::string> { stem + ".swf", stem + ".html" };
    };
    test::WriteFile(dest + "/a.swf", "x");
    test::WriteFile(dest + "/a.html", "x");
    test::WriteFile(dest + "/b.html", "x");
    test::WriteFile(dest + "/c.swf", "other movie's output");
    DeleteOutputs({ "/m/a.vtr", "/m/b.vtz" }, outputs);
    EXPECT_FALSE(fs::exists(dest + "/a.swf"));
    EXPECT_FALSE(fs::exists(dest + "/a.html"));
    EXPECT_FALSE(fs::exists(dest + "/b.html"));
    EXPECT_TRUE(fs::exists(dest + "/c.swf"));
}

TEST(BatchRunChecksTest, OutputNamesPerFormat)
{
    struct Case {
        std::string dest;
        std::string movie;
        ExportFormat format;
        std::string output;
        std::string settings;
    };
    const Case cases[] = {
        { "/out", "/m/clip.vtr", ExportFormat::FlashSWF, "/out/clip.swf", "Flash.xml" },
        { "/out", "/m/clip.vtr", ExportFormat::FlashFLV, "/out/clip.flv", "Flash.xml" },
        { "/out", "/m/clip.vtz", ExportFormat::AVI, "/out/clip.avi", "AVI.xml" },
        { "/out", "/m/clip.VTR", ExportFormat::WMV, "/out/clip.wmv", "WMV.xml" },
        { "/out", "/m/clip.vtr", ExportFormat::QuickTime, "/out/clip.mov", "QT.xml" },
        { "/out", "/m/clip.vtz", ExportFormat::Conversion, "/out/clip.vtr", "" },
        { "/out", "/m.d/clip", ExportFormat::AVI, "/out/clip.avi", "AVI.xml" },
        { "/out", "/m/my.clip.v2.vtr", ExportFormat::AVI, "/out/my.clip.v2.avi", "AVI.xml" },
        { "", "/m/clip.vtr", ExportFormat::AVI, "/clip.avi", "AVI.xml" },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(OutputFilePath(c.dest, c.movie, c.format), c.output) << c.movie;
        EXPECT_EQ(SettingsFilePath("/cfg/Vantor Batch Export", c.format),
            c.settings.empty() ? "/cfg/Vantor Batch Export" : "/cfg/Vantor Batch Export" + c.settings);
    }
}

TEST(BatchRunChecksTest, UniqueOutputPathTakesFirstFreeNumber)
{
    test::TempDir temp;
    const std::string dir = temp.Path().string();
    EXPECT_EQ(UniqueOutputPath(dir + "/clip.avi"), dir + "/clip.avi");
    test::WriteFile(dir + "/clip.avi", "x");
    EXPECT_EQ(UniqueOutputPath(dir + "/clip.avi"), dir + "/clip_1.avi");
    test::WriteFile(dir + "/clip_1.avi", "x");
    fs::create_directory(dir + "/clip_2.avi"); // a folder takes the name too
    EXPECT_EQ(UniqueOutputPath(dir + "/clip.avi"), dir + "/clip_3.avi");
    test::WriteFile(dir + "/noext", "x");
    EXPECT_EQ(UniqueOutputPath(dir + "/noext"), dir + "/noext_1");
}

} // namespace
} // namespace vantor
