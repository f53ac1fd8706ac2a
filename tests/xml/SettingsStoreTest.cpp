// The settings store as its callers use it: load, get, set, save, and the
// files it reads and writes.

#include "ScriptedDialogs.h"
#include "TestEnvironment.h"
#include "xml/XMLSettings.h"
#include "xml/XMLSettingsReport.h"

#include <cerrno>
#include <filesystem>
#include <functional>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

namespace fs = std::filesystem;
using vantor::test::ReadFile;
using vantor::test::ScriptedDialogs;
using vantor::test::TempDir;
using vantor::test::WriteFile;

std::string Wrap(const std::string& configuration)
{
    return vantor::test::SettingsFile(configuration, "App", "Prog");
}

// The store's failure texts come from the message table, whose exact
// wording the report tests pin down.
const auto& FileMessage = XMLSettingsFileMessage;

// Each test gets its own folder and a dialog script that records every
// message the store shows.
class SettingsStore : public ::testing::Test {
protected:
    TempDir dir;
    ScriptedDialogs dialogs;
};

TEST_F(SettingsStore, WritesTheDocumentedFileForMainWindowState)
{
    TXMLSettings settings(true);
    settings.SetInteger("Height", 600);
    settings.SetMultiString("Movies", { "C:\\a.vtr", "C:\\b.vtz" });
    settings.SetApplicationName("Vantor Batch Export");
    ASSERT_TRUE(settings.SaveFile(dir / "state.xml"));
    EXPECT_EQ(ReadFile(dir / "state.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Application Name=\"Vantor Batch Export\">\n"
        "  <Program Name=\"\">\n"
        "    <Configuration>\n"
        "      <Value Name=\"Height\" Type=\"Integer\">\n"
        "        <Contents>600</Contents>\n"
        "      </Value>\n"
        "      <Value Name=\"Movies\" Type=\"MultiString\" Delimiter=\",\" QuoteChar=\"&quot;\">\n"
        "        <Contents>&quot;C:\\a.vtr&quot;,&quot;C:\\b.vtz&quot;</Contents>\n"
        "      </Value>\n"
        "    </Configuration>\n"
        "  </Program>\n"
        "</Application>");
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsStore, EveryTypeSurvivesASaveAndALoadAndTextsXmlCannotHoldStayLoadable)
{
    const TXMLDateTime date { 7, 30, 14, 5, 3, 2009 };
    const TXMLBinary bytes { 0x1F, 0xA0, 0x00, 0xFF };
    const std::string utf8 = "Gr\xC3\xBC\xC3\x9F"
                             "e \xE2\x82\xAC <&> \"'";
    {
        TXMLSettings settings(false);
        settings.SetBool("Bool", true);
        settings.SetInteger("Integer", -2147483647 - 1);
        settings.SetInt64("Int64", 1234567890123456789LL);
        settings.SetFloat("Float", 29.97);
        settings.SetDateTime("Date", date);
        settings.SetString("String", utf8);
        settings.SetString("Spaced", "  two  spaces\nand a line  ");
        settings.SetMultiString("Multi", { "a", "b,c", "", "d e" });
        settings.SetMultiString("Empty", {});
        settings.SetBinary("Binary", bytes);
        settings.SetBinary("NoBytes", {});
        ASSERT_TRUE(settings.SaveFile(dir / "all.xml"));
    }
    TXMLSettings settings(false);
    ASSERT_TRUE(settings.ReadXMLSettingsFile(dir / "all.xml"));
    EXPECT_TRUE(settings.GetBool("Bool", false));
    EXPECT_EQ(settings.GetInteger("Integer", 0), -2147483647 - 1);
    EXPECT_EQ(settings.GetInt64("Int64", 0), 1234567890123456789LL);
    EXPECT_EQ(settings.GetFloat("Float", 0), 29.97);
    EXPECT_EQ(settings.GetDateTime("Date", {}), date);
    EXPECT_EQ(settings.GetString("String", ""), utf8);
    EXPECT_EQ(settings.GetString("Spaced", ""), "  two  spaces\nand a line  ");
    EXPECT_EQ(settings.GetMultiString("Multi"), (std::vector<std::string> { "a", "b,c", "", "d e" }));
    EXPECT_TRUE(settings.GetMultiString("Empty").empty());
    EXPECT_EQ(settings.GetBinary("Binary", {}), bytes);
    EXPECT_EQ(settings.GetBinary("NoBytes", { 1 }), TXMLBinary {});
    EXPECT_EQ(settings.GetApplicationName(), "");
    for (const auto& [name, value] : settings.RootKey().Values())
        EXPECT_FALSE(value.Modified()) << name;
    EXPECT_TRUE(dialogs.messages.empty());

    // Texts that XML cannot hold still leave a loadable file.
    TXMLSettings odd(false);
    odd.SetString("Control",
        std::string("a\x01"
                    "b\0c",
            5));
    odd.SetString("Latin1", "caf\xE9");
    odd.SetMultiString("Items", { "x\x02y" });
    ASSERT_TRUE(odd.SaveFile(dir / "odd.xml"));

    TXMLSettings oddReread(false);
    ASSERT_TRUE(oddReread.ReadXMLSettingsFile(dir / "odd.xml"));
    EXPECT_EQ(oddReread.GetString("Control", ""),
        "a\xEF\xBF\xBD"
        "b\xEF\xBF\xBD"
        "c");
    EXPECT_EQ(oddReread.GetString("Latin1", ""), "caf\xEF\xBF\xBD");
    EXPECT_EQ(oddReread.GetMultiString("Items"), (std::vector<std::string> { "x\xEF\xBF\xBDy" }));
    EXPECT_TRUE(dialogs.messages.empty());
}

TEST_F(SettingsStore, ReadingRulesOfHandWrittenFilesAndReportsOfUnparseableOnes)
{
    struct Case {
        const char* what;
        std::string file;
        std::function<void(TXMLSettings&)> check;
    } cases[] = {
        // Which type an untyped text takes is the text rules' business; the
        // store applies them.
        { "empty value: Binary of no bytes", Wrap("<Value Name=\"A\"/>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.RootKey().FindValue("A")->Type(), TXMLValueType::Binary);
                EXPECT_EQ(s.GetString("A", "default"), "");
            } },
        { "element names ignore case; others ignored",
            Wrap("<value Name=\"A\" Type=\"integer\"><Contents>5</Contents></value><VALUE Name=\"B\" "
                 "Type=\"BOOL\">yes</VALUE><Other Name=\"C\">1</Other><KEY Name=\"S\"><vAlUe Name=\"D\" "
                 "Type=\"str\"> x </vAlUe></KEY>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetInteger("A", 0), 5);
                EXPECT_TRUE(s.GetBool("B", false));
                EXPECT_EQ(s.GetInteger("C", -9), -9);
                EXPECT_EQ(s.GetString("S\\D", ""), "x");
            } },
        { "Contents wins over the element's own text",
            Wrap("<Value Name=\"A\" Type=\"Integer\">7<Contents>8</Contents></Value>"),
            [](TXMLSettings& s) { EXPECT_EQ(s.GetInteger("A", 0), 8); } },
        { "byte-order mark and junk before the declaration",
            "\xEF\xBB\xBFjunk" + Wrap("<Value Name=\"A\">3</Value>"),
            [](TXMLSettings& s) { EXPECT_EQ(s.GetInteger("A", 0), 3); } },
        { "no Program or Configuration: empty store",
            "<Whatever Name=\"X\"><Value Name=\"A\">1</Value></Whatever>",
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetInteger("A", -1), -1);
                EXPECT_EQ(s.GetApplicationName(), "X");
            } },
        { "MultiString with its own delimiter and quote",
            Wrap("<Value Name=\"M\" Type=\"MultiString\" Delimiter=\";\" "
                 "QuoteChar=\"'\"><Contents>'a';'b,c';d</Contents></Value>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetMultiString("M"), (std::vector<std::string> { "a", "b,c", "d" }));
            } },
        { "MultiString without Delimiter and QuoteChar",
            Wrap("<Value Name=\"M\" Type=\"MultiString\">\"a\",b</Value>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetMultiString("M"), (std::vector<std::string> { "a", "b" }));
            } },
        { "names are case-sensitive", Wrap("<Value Name=\"Width\">1</Value>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetInteger("width", 9), 9);
                EXPECT_EQ(s.GetInteger("Width", 9), 1);
            } },
        { "a text that does not fit its type reads as missing",
            Wrap(
                "<Value Name=\"N\" Type=\"Integer\">abc</Value><Value Name=\"F\" Type=\"Float\">1,5</Value>"),
            [](TXMLSettings& s) {
                EXPECT_EQ(s.GetInteger("N", 77), 77);
                EXPECT_EQ(s.GetString("N", "d"), "d");
                EXPECT_EQ(s.GetFloat("F", 2.5), 2.5);
            } },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        WriteFile(dir / "in.xml", c.file);
        TXMLSettings settings(false);
        ASSERT_TRUE(settings.ReadXMLSettingsFile(dir / "in.xml"));
        c.check(settings);
        EXPECT_TRUE(dialogs.messages.empty());
    }

    // An unparseable file is reported and the values held stay.
    TXMLSettings kept(false);
    kept.SetInteger("Kept", 1);

    WriteFile(dir / "bad.xml", Wrap("<Value Name=\"A\">1</Valu>"));
    EXPECT_FALSE(kept.ReadXMLSettingsFile(dir / "bad.xml"));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(
        dialogs.messages[0].text, "The XML configuration file " + (dir / "bad.xml") + " has improper format");
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].flags, 0x10u);
    EXPECT_EQ(kept.GetInteger("Kept", 0), 1);
}

TEST_F(SettingsStore, WhatItCannotReadOrDoesNotSetIsWrittenBackUnchanged)
{
    WriteFile(dir / "in.xml",
        Wrap("<Value Name=\"N\" Type=\"Integer\"><Contents>abc</Contents></Value>"
             "<Value Name=\"T\" Type=\"String\"><Contents>note</Contents><Metadata>about it<Unit Scale=\"2\" "
             "Base=\"px\">pixels</Unit><Range/></Metadata></Value>"));
    TXMLSettings settings(false);
    ASSERT_TRUE(settings.ReadXMLSettingsFile(dir / "in.xml"));
    settings.SetInteger("Other", 1);
    ASSERT_TRUE(settings.SaveFile(dir / "out.xml"));
    EXPECT_EQ(ReadFile(dir / "out.xml"),
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n"
        "<Application Name=\"App\">\n"
        "  <Program Name=\"Prog\">\n"
        "    <Configuration>\n"
        "      <Value Name=\"N\" Type=\"Integer\">\n"
        "        <Contents>abc</Contents>\n"
        "      </Value>\n"
        "      <Value Name=\"Other\" Type=\"Integer\">\n"
        "        <Contents>1</Contents>\n"
        "      </Value>\n"
        "      <Value Name=\"T\" Type=\"String\">\n"
        "        <Contents>note</Contents>\n"
        "        <Metadata>about it\n"
        "          <Range/>\n"
        "          <Unit Base=\"px\" Scale=\"2\">pixels</Unit>\n"
        "        </Metadata>\n"
        "      </Value>\n"
        "    </Configuration>\n"
        "  </Program>\n"
        "</Application>");
    const TXMLMetadata& metadata = settings.RootKey().FindValue("T")->Metadata();
    EXPECT_EQ(metadata.text, "about it");
    EXPECT_EQ(metadata.attributes.at("Unit").properties.at("Scale"), "2");
}

TEST_F(SettingsStore, SectionsAreFollowedFromTheRootAndWrittenAfterTheValuesAndSettersReplaceTypes)
{
    TXMLSettings settings(false);
    settings.SetInteger("Window\\Size\\Width", 800);
    settings.SetInteger("\\Window\\Left", 10);
    settings.SetString("b", "lower");
    settings.SetString("B", "upper");
    settings.SetInteger("\\Top", 3);

    EXPECT_EQ(settings.GetInteger("\\Window\\Size\\Width", 0), 800);
    EXPECT_EQ(settings.GetInteger("Window\\Left", 0), 10);
    EXPECT_EQ(settings.GetInteger("Top", 0), 3);
    EXPECT_EQ(settings.GetInteger("Missing\\Left", -1), -1);
    EXPECT_EQ(settings.GetInteger("Window\\Width", -1), -1);
    EXPECT_EQ(settings.GetString("b", ""), "lower");
    EXPECT_EQ(settings.RootKey().SubKeys().size(), 1u); // a Get never creates a section

    ASSERT_TRUE(settings.SaveFile(dir / "keys.xml"));
    std::string text = ReadFile(dir / "keys.xml");
    // Byte order: "B" before "T" before "b"; the subkey after every value.
    size_t upper = text.find("Name=\"B\"");
    size_t top = text.find("Name=\"Top\"");
    size_t lower = text.find("Name=\"b\"");
    size_t window = text.find("<Key Name=\"Window\">");
    size_t left = text.find("Name=\"Left\"");
    size_t size = text.find("<Key Name=\"Size\">");
    ASSERT_NE(window, std::string::npos);
    EXPECT_LT(upper, top);
    EXPECT_LT(top, lower);
    EXPECT_LT(lower, window);
    EXPECT_LT(left, size);

    TXMLSettings reread(false);
    ASSERT_TRUE(reread.ReadXMLSettingsFile(dir / "keys.xml"));
    EXPECT_EQ(reread.GetInteger("Window\\Size\\Width", 0), 800);
    EXPECT_EQ(reread.GetString("B", ""), "upper");

    // A setter replaces type and payload of an existing value.
    settings.SetBinary("V", { 1, 2, 3 });
    settings.SetMultiString("V", { "x" });
    EXPECT_EQ(settings.RootKey().FindValue("V")->Type(), TXMLValueType::MultiString);
    settings.SetFloat("V", 2.5);
    EXPECT_EQ(settings.RootKey().FindValue("V")->Type(), TXMLValueType::Float);
    EXPECT_EQ(settings.GetFloat("V", 0), 2.5);
    EXPECT_TRUE(settings.RootKey().FindValue("V")->Modified());
}

TEST_F(SettingsStore, MissingFileGivesDefaultsAndSaveAllCreatesTheUserAndCommonFiles)
{
    const std::string app = "Settings Test " + std::to_string(getpid());
    const fs::path expected = fs::path(std::getenv("XDG_CONFIG_HOME")) / "Corvane" / (app + ".xml");
    fs::remove_all(expected.parent_path());
    ASSERT_EQ(TXMLSettings::UserFilePath(app), expected.string());
    ASSERT_EQ(TXMLSettings::UserFilePath("C:\\Some\\Where\\" + app), expected.string());

    TXMLSettings settings(true);
    EXPECT_FALSE(settings.ReadXMLSettings(app, false));
    EXPECT_EQ(settings.LastError(), ENOENT);
    EXPECT_EQ(settings.GetInteger("Left", 42), 42);
    EXPECT_TRUE(dialogs.messages.empty());

    settings.SetInteger("Left", 5);
    if (settings.GetApplicationName().empty())
        settings.SetApplicationName("Vantor Batch Export");
    ASSERT_TRUE(settings.SaveAll(app));
    ASSERT_TRUE(fs::exists(expected));

    TXMLSettings reread(true);
    ASSERT_TRUE(reread.ReadXMLSettings(app, false));
    EXPECT_EQ(reread.GetInteger("Left", 0), 5);
    EXPECT_EQ(reread.GetApplicationName(), "Vantor Batch Export");
    EXPECT_TRUE(dialogs.messages.empty());
    fs::remove_all(expected.parent_path());

    // The all-users file lives under the common folder.
    const fs::path common = fs::path(std::getenv("XDG_CONFIG_DIRS")) / "Corvane" / "Shared.xml";
    EXPECT_EQ(TXMLSettings::CommonFilePath("Shared"), common.string());
    TXMLSettings shared(false);
    EXPECT_FALSE(shared.ReadXMLSettings("Shared", true));
    shared.SetBool("Flag", true);
    ASSERT_TRUE(shared.SaveAll("Shared"));
    EXPECT_TRUE(fs::exists(common));
    EXPECT_EQ(shared.GetApplicationName(), "Shared"); // and the next SaveAll goes to the user's file
    ASSERT_TRUE(shared.SaveAll("Shared"));
    EXPECT_TRUE(fs::exists(TXMLSettings::UserFilePath("Shared")));
    fs::remove(common);
    fs::remove(TXMLSettings::UserFilePath("Shared"));
}

TEST_F(SettingsStore, FailedSavesAreReportedAndLeaveTheOldFile)
{
    TXMLSettings settings(false);
    settings.SetString("Text", std::string(4096, 'x'));

    const std::string missing = dir / "no such folder/file.xml";
    EXPECT_FALSE(settings.SaveFile(missing));
    ASSERT_EQ(dialogs.messages.size(), 1u);
    EXPECT_EQ(dialogs.messages[0].text, FileMessage(missing, "created", "SaveFile", ENOENT));
    EXPECT_EQ(dialogs.messages[0].caption, "Error");
    EXPECT_EQ(dialogs.messages[0].flags, 0x10u);
    EXPECT_EQ(settings.LastError(), ENOENT);

    // A disk that fills up during the write: a file-size limit below the
    // text's size makes the write fail as a full disk does.
    const std::string old = Wrap("<Value Name=\"Text\">old</Value>");
    WriteFile(dir / "full.xml", old);
    struct rlimit saved;
    ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &saved), 0);
    auto previousHandler = signal(SIGXFSZ, SIG_IGN);
    struct rlimit small = saved;
    small.rlim_cur = 1024;
    ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &small), 0);
    bool savedAll = settings.SaveFile(dir / "full.xml");
    bool savedAllAgain = settings.SaveAll("Full Disk");
    setrlimit(RLIMIT_FSIZE, &saved);
    signal(SIGXFSZ, previousHandler);
    EXPECT_FALSE(savedAll);
    EXPECT_FALSE(savedAllAgain);
    ASSERT_EQ(dialogs.messages.size(), 3u);
    EXPECT_EQ(dialogs.messages[1].text, FileMessage(dir / "full.xml", "written", "SaveFile", EFBIG));
    EXPECT_EQ(dialogs.messages[2].text,
        FileMessage(TXMLSettings::UserFilePath("Full Disk"), "written", "SaveAll", EFBIG));
    EXPECT_EQ(ReadFile(dir / "full.xml"), old);
    EXPECT_FALSE(fs::exists(TXMLSettings::UserFilePath("Full Disk")));
    EXPECT_EQ(settings.GetString("Text", "").size(), 4096u); // the values stay in memory
    for (const auto& entry : fs::directory_iterator(dir.Path()))
        EXPECT_EQ(entry.path().filename().string().find(".tmp"), std::string::npos) << entry.path();
}

TEST_F(SettingsStore, SavedFilesKeepPermissionsAndLinksAndAreNeverWorldWritable)
{
    TXMLSettings settings(false);
    settings.SetInteger("A", 1);

    // A new file is read-write for user and group, readable for others,
    // within the umask.
    const fs::perms ownerAndGroup = fs::perms::owner_read | fs::perms::owner_write | fs::perms::group_read;
    for (auto [mask, expected] :
        { std::pair { 0, ownerAndGroup | fs::perms::group_write | fs::perms::others_read },
            std::pair { 022, ownerAndGroup | fs::perms::others_read } }) {
        const std::string path = dir / ("new" + std::to_string(mask) + ".xml");
        const mode_t oldMask = umask(mask);
        const bool saved = settings.SaveFile(path);
        umask(oldMask);
        ASSERT_TRUE(saved);
        EXPECT_EQ(fs::status(path).permissions() & fs::perms::all, expected) << mask;
    }

    WriteFile(dir / "private.xml", Wrap(""));
    fs::permissions(dir / "private.xml", fs::perms::owner_read | fs::perms::owner_write);
    ASSERT_TRUE(settings.SaveFile(dir / "private.xml"));
    EXPECT_EQ(fs::status(dir / "private.xml").permissions() & fs::perms::all,
        fs::perms::owner_read | fs::perms::owner_write);

    WriteFile(dir / "real/target.xml", Wrap(""));
    fs::create_symlink("real/target.xml", dir / "link.xml");
    ASSERT_TRUE(settings.SaveFile(dir / "link.xml"));
    EXPECT_TRUE(fs::is_symlink(dir / "link.xml"));
    EXPECT_NE(ReadFile(dir / "real/target.xml").find("Name=\"A\""), std::string::npos);
    EXPECT_TRUE(dialogs.messages.empty());
}

} // namespace
