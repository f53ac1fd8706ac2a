// The engine's second interface: the reason of its last failure, asked for
// through QueryInterface, as the program asks for it after OperationFailed.

#include "MovieTestSupport.h"
#include "PlayerEngine.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vtapi;
using namespace vtapi::test;

namespace {

struct FailureCase {
    const char* name;
    const char* movieText; // written to the movie file; null: a real movie
    const char* output; // convert into, under the test folder
    const char* reasonStart; // after the test folder's path; "" for no failure
};

TEST(EngineFailureTest, LastFailureReasonNamesTheFileAndTheCause)
{
    const FailureCase cases[] = {
        { "a file that is no movie", "plain text", "out.vtr", "cannot read movie \"" },
        { "an output folder that does not exist", nullptr, "none/out.vtr", "cannot create a file in \"" },
        { "success clears the reason", nullptr, "out.vtr", "" },
    };
    for (const FailureCase& c : cases) {
        SCOPED_TRACE(c.name);
        vantor::test::TempDir dir;
        const std::string movie = dir / "in.vtr";
        if (c.movieText)
            vantor::test::WriteFile(movie, c.movieText);
        else
            MakeMovie(movie, MovieKind::Version14);
        platform::MessageQueue queue;
        auto* engine = new TPlayerEngine();
        void* object = nullptr;
        ASSERT_EQ(engine->QueryInterface(vantor::IID_IPlayerEngineFailure, &object), platform::S_OK);
        auto* failure = static_cast<vantor::IPlayerEngineFailure*>(object);
        ASSERT_EQ(engine->Initialize(1, &queue, 1), vantor::kEngineOk);
        ASSERT_EQ(queue.GetMessage(10000)->message, vantor::EngineReady);
        // A failure before the command that must clear it.
        ASSERT_EQ(engine->OpenMovie((dir / "missing.vtr").c_str()), vantor::kEngineOk);
        ASSERT_EQ(queue.GetMessage(10000)->message, vantor::OperationFailed);

        ASSERT_EQ(engine->ConvertMovie(movie.c_str(), (dir / c.output).c_str()), vantor::kEngineOk);
        auto message = queue.GetMessage(10000);
        while (message && message->message == vantor::ExportProgress)
            message = queue.GetMessage(10000);
        ASSERT_TRUE(message.has_value());
        char small[8];
        const int length = failure->LastFailureReason(small, sizeof small);
        std::string reason(static_cast<std::size_t>(length) + 1, '\0');
        EXPECT_EQ(failure->LastFailureReason(reason.data(), length + 1), length);
        reason.resize(static_cast<std::size_t>(length));
        if (*c.reasonStart == '\0') {
            EXPECT_EQ(message->message, vantor::ConvertSucceeded);
            EXPECT_EQ(reason, "");
        } else {
            EXPECT_EQ(message->message, vantor::OperationFailed);
            EXPECT_EQ(reason.substr(0, std::string(c.reasonStart).size()), c.reasonStart) << reason;
            EXPECT_NE(reason.find(dir.Path().string()), std::string::npos) << reason;
            EXPECT_EQ(std::string(small), reason.substr(0, 7)) << "cut and terminated";
        }
        failure->Release();
        engine->Release();
    }
}

} // namespace
