#include "support/RegistryDump.h"

#include "xml/XMLSettings.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vantor::trace;
namespace test = vantor::test;

// Keys map onto settings files under the XDG folders; roots without files
// and paths outside "Software\<maker>" have no place.
TEST(RegistryDumpTest, KeysMapOntoSettingsFiles)
{
    const test::ScopedEnv user("XDG_CONFIG_HOME", "/u");
    const test::ScopedEnv common("XDG_CONFIG_DIRS", "/c:/d");
    const std::pair<const char*, std::optional<RegistryKeyFile>> cases[] = {
        { "HKEY_CURRENT_USER\\Software\\Corvane\\Vantor\\Window\\Size",
            RegistryKeyFile { "/u/Corvane/Vantor.xml", "Window\\Size" } },
        { "hkey_local_machine\\software\\LogSys", RegistryKeyFile { "/c/LogSys/LogSys.xml", "" } },
        { "Software\\A\\B\\C", RegistryKeyFile { "/u/A/B.xml", "C" } },
        { "HKEY_USERS\\Software\\A\\B", std::nullopt },
        { "HKEY_CURRENT_USER\\Control Panel\\Desktop", std::nullopt },
        { "HKEY_CURRENT_USER\\Software", std::nullopt },
    };
    for (const auto& [path, expected] : cases) {
        const std::optional<RegistryKeyFile> found = LocateRegistryKey(path);
        ASSERT_EQ(found.has_value(), expected.has_value()) << path;
        if (found) {
            EXPECT_EQ(found->file, expected->file) << path;
            EXPECT_EQ(found->section, expected->section) << path;
        }
    }
    EXPECT_EQ(RegistryDumpConfigNames("vantor.bin"),
        (std::vector<std::string> { "BugReportInfo.xml", "vantor.LogSys.xml", "vantor.bin.LogSys.xml",
            "CVBR-vantor.xml", "CVBR-vantor.bin.xml" }));
}

// The dump sends one record per value with the registry's type names and
// texts, goes into subkeys only when asked, and names every failure.
TEST(RegistryDumpTest, ConfigurationFileDrivesTheDump)
{
    const test::TempDir config;
    const test::ScopedEnv user("XDG_CONFIG_HOME", config.Path().c_str());
    std::filesystem::create_directories(config.Path() / "Corvane");
    TXMLSettings settings(false);
    settings.SetBool("On", true);
    settings.SetInteger("Left", -1);
    settings.SetInt64("Big", 0x1234567890);
    settings.SetString("Path", "/a b");
    settings.SetBinary("Key", { 0x0f, 0xa0 });
    settings.SetInteger("Window\\Width", 640);
    ASSERT_TRUE(settings.SaveFile(config / "Corvane/Vantor.xml"));

    const std::string key = "HKEY_CURRENT_USER\\Software\\Corvane\\Vantor";
    const std::string values = "15 " + key + "\tBig\tREG_QWORD\t1234567890\n" + "15 " + key
        + "\tKey\tREG_BINARY\t0fa0\n" + "15 " + key + "\tLeft\tREG_DWORD\t4294967295\n" + "15 " + key
        + "\tOn\tREG_DWORD\t1\n" + "15 " + key + "\tPath\tREG_SZ\t/a b\n";
    const std::pair<std::string, std::string> cases[] = {
        { "<regkeys><key Name=\"" + key + "\"/></regkeys>", values },
        { "<regkeys><key Name=\"" + key + "\" Recursive=\"true\"/></regkeys>",
            values + "15 " + key + "\\Window\tWidth\tREG_DWORD\t640\n" },
        { "<regkeys><key Name=\"" + key + "\\Nothing\"/><key Recursive=\"true\"/></regkeys>",
            "3 LogStoreRegistryValues -- registry key <" + key
                + "\\Nothing> cannot be open,  -- No such file or directory\n"
                  "3 Invalid registry key description: Name is missed\n" },
        { "<keys/>", "3 No RegKeys section or any keys in config file\n" },
        { "<regkeys><key Name=\"x\"</regkeys>", "3 Bad XML config file format\n" },
        { "", "2 LogStoreRegistryValuesCfg -- XML configuration file not found\n" },
    };
    for (const auto& [text, expected] : cases) {
        const test::TempDir folder;
        if (!text.empty())
            test::WriteFile(folder.Path() / "prog.LogSys.xml", text);
        std::string sent;
        LogStoreRegistryValuesCfg(folder.Path(), "prog", [&sent](int type, const std::string& record) {
            sent += std::to_string(type) + " " + record + "\n";
        });
        EXPECT_EQ(sent, expected) << text;
    }
}
