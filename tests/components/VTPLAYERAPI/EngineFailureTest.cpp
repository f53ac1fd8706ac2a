// The engine's second interface: the reason of its last failure, asked for
// through QueryInterface as the program asks for it after OperationFailed.

#include "MovieTestSupport.h"
#include "PlayerEngine.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using namespace vtapi;

TEST(EngineFailureTest, LastFailureReasonNamesTheFileAndTheCauseUntilTheNextCommand)
{
    vantor::test::TempDir dir;
    vantor::test::WriteFile(dir / "in.vtr", "plain text");
    test::MakeMovie(dir / "old.vtr", test::MovieKind::Version14);
    platform::MessageQueue queue;
    auto* engine = new TPlayerEngine();
    void* object = nullptr;
    ASSERT_EQ(engine->QueryInterface(vantor::IID_IPlayerEngineFailure, &object), platform::S_OK);
    auto* failure = static_cast<vantor::IPlayerEngineFailure*>(object);
    ASSERT_EQ(engine->Initialize(1, &queue, 1), vantor::kEngineOk);
    ASSERT_EQ(queue.GetMessage(10000)->message, vantor::EngineReady);

    ASSERT_EQ(engine->ConvertMovie((dir / "in.vtr").c_str(), (dir / "out.vtr").c_str()), vantor::kEngineOk);
    ASSERT_EQ(queue.GetMessage(10000)->message, vantor::OperationFailed);
    char small[8];
    const int length = failure->LastFailureReason(small, sizeof small);
    std::string reason(static_cast<std::size_t>(length) + 1, '\0');
    EXPECT_EQ(failure->LastFailureReason(reason.data(), length + 1), length);
    reason.resize(static_cast<std::size_t>(length));
    EXPECT_EQ(reason.rfind("cannot read movie \"" + dir / "in.vtr" + "\": ", 0), 0u) << reason;

    ASSERT_EQ(engine->ConvertMovie((dir / "old.vtr").c_str(), (dir / "new.vtr").c_str()), vantor::kEngineOk);
    auto message = queue.GetMessage(10000);
    while (message && message->message == vantor::ExportProgress)
        message = queue.GetMessage(10000);
    ASSERT_EQ(message->message, vantor::ConvertSucceeded);
    EXPECT_EQ(failure->LastFailureReason(small, sizeof small), 0) << "a command clears the reason";
    failure->Release();
    engine->Release();
}
