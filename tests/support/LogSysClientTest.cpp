#include "support/LogSysClient.h"
#include "support/Trace.h"

#include "TestEnvironment.h"

#include <gtest/gtest.h>

#include <chrono>
#include <sys/mman.h>
#include <thread>

using namespace vantor::trace;

// With the server program beside it, the client starts the server, registers
// and its traces reach the program's log file, which the server completes
// before it exits once the client has gone. Without one, nothing is
// registered and tracing stays off.
TEST(LogSysClientTest, ClientStartsTheServerWhenThereIsOneAndTracesReachTheLog)
{
    struct Case {
        bool serverBeside;
        bool registered;
        const char* log;
    };
    const Case cases[] = {
        { true, true, " Information: first line\n" },
        { false, false, "" },
    };
    const std::string suffix = ".clienttest" + std::to_string(getpid());
    for (const Case& c : cases) {
        const vantor::test::TempDir empty;
        const vantor::test::TempDir state;
        setenv("XDG_STATE_HOME", state.Path().c_str(), 1);
        {
            CCVLogSysClient client(suffix, c.serverBeside ? vantor::test::BinDir() : empty.Path());
            EXPECT_EQ(client.Start(), c.registered);
            EXPECT_EQ(TraceTransport(), c.registered ? &client : nullptr);
            TraceLog("first %s", "line");
            TraceWarning("second line");
        }
        // The server ends by itself once its last client has gone.
        for (int i = 0; i < 1000 && std::filesystem::exists(ServerSocketPath(suffix)); ++i)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        EXPECT_FALSE(std::filesystem::exists(ServerSocketPath(suffix)));
        const std::string log = vantor::test::ReadFile(state.Path() / "LogSys/support_LogSysClientTest.log");
        EXPECT_NE(log.find(c.log), std::string::npos) << log;
        EXPECT_EQ(log.empty(), !c.registered);
        EXPECT_EQ(log.find("Warning: second line\n") != std::string::npos, c.registered) << log;
    }
    for (const char* name :
        { "CVLogSysRegMutex_V6", "CVLogSysRegMMF_V6", "CVLogSysReadAccMutex_V6", "CVLogSysWriteAccMutex_V6" })
        shm_unlink(SharedObjectName(name + suffix, false).c_str());
}
