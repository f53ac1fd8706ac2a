#include "app/WindowState.h"

#include "TestEnvironment.h"
#include "xml/XMLSettings.h"

#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
namespace fs = std::filesystem;

class WindowStateTest : public ::testing::Test {
protected:
    void SetUp() override { fs::remove(TXMLSettings::UserFilePath(kMainSettingsApplication)); }
    void TearDown() override { fs::remove(TXMLSettings::UserFilePath(kMainSettingsApplication)); }

    WindowStateDefaults Defaults() const
    {
        WindowStateDefaults d;
        d.width = 513;
        d.height = 576;
        d.screenWidth = 1024;
        d.screenHeight = 768;
        d.documentsFolder = m_dir / "Documents";
        d.programFolder = m_dir / "program";
        return d;
    }

    vantor::test::TempDir m_dir;
};

TEST_F(WindowStateTest, CentringNeverGoesNegative)
{
    struct Case {
        int screen;
        int window;
        int position;
    };
    const Case cases[] = { { 1024, 513, 255 }, { 768, 576, 96 }, { 800, 799, 0 }, { 800, 798, 1 },
        { 600, 600, 0 }, { 600, 2000, 0 }, { 0, 513, 0 } };
    for (const Case& c : cases)
        EXPECT_EQ(CentredPosition(c.screen, c.window), c.position) << c.screen << " " << c.window;
}

TEST_F(WindowStateTest, DefaultFoldersComeFromDocumentsElseTheProgramFolder)
{
    const std::string documents = m_dir / "Documents";
    const std::string program = m_dir / "program";
    EXPECT_EQ(DefaultDestinationFolder(documents, program), documents + "/CV Vantor Exports");
    EXPECT_EQ(DefaultDestinationFolder(documents + "/", program), documents + "/CV Vantor Exports");
    EXPECT_EQ(DefaultMoviesFolder(documents, program), documents + "/CV Vantor Movies");

    // Without a documents folder: the program's Exports folder, which the
    // Add dialog only starts in when it exists.
    EXPECT_EQ(DefaultDestinationFolder("", program), program + "/Exports");
    EXPECT_EQ(DefaultMoviesFolder("", program), "");
    fs::create_directories(program + "/Exports");
    EXPECT_EQ(DefaultMoviesFolder("", program), program + "/Exports");
}

TEST_F(WindowStateTest, SettingsFilePrefixHasNoSeparatorBeforeTheFormatName)
{
    const std::string appData = m_dir / "config";
    std::string prefix = SettingsFilePrefix(appData, m_dir / "program");
    EXPECT_EQ(prefix, appData + "/Corvane/Vantor Batch Export");
    EXPECT_TRUE(fs::is_directory(appData)); // created when missing

    // An application-data folder that cannot exist (a file is in the way).
    vantor::test::WriteFile(m_dir / "blocked", "file");
    EXPECT_EQ(SettingsFilePrefix((m_dir.Path() / "blocked" / "config").string(), m_dir / "program"),
        (m_dir / "program") + "/Vantor Batch Export");
}

TEST_F(WindowStateTest, SavedStateComesBackWithOnlyExistingMovies)
{
    vantor::test::WriteFile(m_dir / "a.vtr", "movie");
    vantor::test::WriteFile(m_dir / "C.vtz", "movie");
    fs::create_directories(m_dir / "folder.vtr");
    WindowState saved;
    saved.width = 640;
    saved.height = 560;
    saved.left = 17;
    saved.top = -4; // a stored negative position is kept as stored
    saved.movies
        = { m_dir / "a.vtr", m_dir / "gone.vtr", m_dir / "folder.vtr", m_dir / "C.vtz", m_dir / "A.VTR" };
    saved.dstDirectory = m_dir / "out, with comma";
    saved.moviesInitialDir = m_dir / "in";
    saved.flashOptionsHtmlPath = "/templates/";
    saved.flashOptionsSwfPath = "/bars/";
    SaveWindowState(saved);

    WindowState loaded = LoadWindowState(Defaults());
    EXPECT_EQ(loaded.width, 640);
    EXPECT_EQ(loaded.height, 560);
    EXPECT_EQ(loaded.left, 17);
    EXPECT_EQ(loaded.top, -4);
    // a.vtr and A.VTR are the same file only where names ignore case; the
    // restored list is taken as stored either way.
    std::vector<std::string> expected { m_dir / "a.vtr", m_dir / "C.vtz" };
    if (fs::exists(m_dir / "A.VTR"))
        expected.push_back(m_dir / "A.VTR");
    EXPECT_EQ(loaded.movies, expected);
    EXPECT_EQ(loaded.dstDirectory, saved.dstDirectory);
    EXPECT_EQ(loaded.moviesInitialDir, saved.moviesInitialDir);
    EXPECT_EQ(loaded.flashOptionsHtmlPath, "/templates/");
    EXPECT_EQ(loaded.flashOptionsSwfPath, "/bars/");
}

} // namespace
