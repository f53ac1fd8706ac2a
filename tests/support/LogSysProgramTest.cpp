#include "support/LogSysClient.h"
#include "support/Trace.h"
#include "xml/XMLSettings.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <thread>

using namespace vantor::trace;
namespace test = vantor::test;

namespace {

// The log the server writes for `program`, once the server has ended (it
// leaves about a second after its last client).
std::string LogAfterServerEnds(const std::filesystem::path& state, const std::string& program)
{
    for (int i = 0; i < 1000 && std::filesystem::exists(ServerSocketPath()); ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    EXPECT_FALSE(std::filesystem::exists(ServerSocketPath()));
    // The server took the buffer's names with it.
    EXPECT_FALSE(std::filesystem::exists("/dev/shm" + SharedObjectName("CVLogSysRegMMF_V6", false)));
    return test::ReadFile(state / "LogSys" / (program + ".log"));
}

} // namespace

// The program connects before its own code runs, starting the server beside
// it; run under the name regsvr32 it sends nothing and starts nothing.
TEST(LogSysProgramTest, ProgramTracesFromItsFirstLineUnlessItRunsAsRegsvr32)
{
    const std::pair<std::string, std::string> cases[] = {
        { "vantor-batch-export-cli", " Information: LoadLanguageAtStartup\n" },
        { "regsvr32", "" },
    };
    for (const auto& [name, expected] : cases) {
        const test::TempDir state;
        const test::TempDir folder;
        const test::ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
        std::filesystem::create_symlink(test::BinDir() / "vantor-batch-export-cli", folder.Path() / name);
        EXPECT_EQ(test::RunProgram({ folder / name, "--help" }).status, 0) << name;
        const std::string log = LogAfterServerEnds(state.Path(), name);
        EXPECT_EQ(log.find(expected) != std::string::npos && log.empty() == expected.empty(), true)
            << name << ": " << log;
    }
}

// "Installation Path" of the all-users LogSys key names the server to start
// before the one beside the program.
TEST(LogSysProgramTest, InstallationPathNamesTheServer)
{
    const test::TempDir state;
    const test::TempDir empty;
    const test::ScopedEnv stateHome("XDG_STATE_HOME", state.Path().c_str());
    const std::filesystem::path common = test::TestHome() / "common";
    const test::ScopedEnv commonFolder("XDG_CONFIG_DIRS", common.c_str());
    std::filesystem::create_directories(common / "LogSys");
    TXMLSettings settings(false);
    settings.SetString("Installation Path", (test::BinDir() / "LogSysServer").string());
    ASSERT_TRUE(settings.SaveFile((common / "LogSys/LogSys.xml").string()));
    {
        CCVLogSysClient client({}, empty.Path());
        EXPECT_TRUE(client.Start());
        TraceLog("from the installed server");
    }
    EXPECT_NE(LogAfterServerEnds(state.Path(), program_invocation_short_name)
                  .find(" Information: from the installed server\n"),
        std::string::npos);
}
