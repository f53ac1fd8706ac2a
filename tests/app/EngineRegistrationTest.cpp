#include "app/EngineRegistration.h"

#include "TestEnvironment.h"
#include "support/ComponentRegistry.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

namespace {

using namespace vantor;
namespace fs = std::filesystem;

// The test component library, built beside the test binaries; its
// DllRegisterServer records its own class with its own path.
constexpr char kTestComponentClass[] = "{3C1B7E52-0F4A-4D8B-9A61-5E2D7C9F0A13}";

fs::path TestComponent()
{
    return fs::canonical("/proc/self/exe").parent_path() / "libvantor_testcomponent.so";
}

class EngineRegistrationTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        setenv("VANTOR_COMPONENT_REGISTRY", (m_dir.Path() / "Components.xml").c_str(), 1);
        fs::create_directories(m_program);
    }
    void TearDown() override { unsetenv("VANTOR_COMPONENT_REGISTRY"); }

    vantor::test::TempDir m_dir;
    fs::path m_program = m_dir.Path() / "program folder";
};

TEST_F(EngineRegistrationTest, RunsTheToolOnTheLibraryBesideTheProgram)
{
    ASSERT_TRUE(fs::exists(TestComponent())) << TestComponent();
    // A program folder with a space in its name, holding the tool and a
    // library under the engine's file name.
    fs::copy_file(TestComponent(), m_program / kEngineLibraryFile);
    fs::copy_file(vantor::test::BinDir() / "regsvr32", m_program / "regsvr32");

    EXPECT_TRUE(RegisterEngine(m_program.string(), [] {}));
    EXPECT_EQ(FindComponentLibrary(kTestComponentClass), (m_program / kEngineLibraryFile).string());
}

TEST_F(EngineRegistrationTest, WithoutTheLibraryNothingRuns)
{
    fs::copy_file(vantor::test::BinDir() / "regsvr32", m_program / "regsvr32");
    int slices = 0;
    EXPECT_FALSE(RegisterEngine(m_program.string(), [&] { ++slices; }));
    EXPECT_EQ(slices, 0);
    EXPECT_FALSE(fs::exists(m_dir.Path() / "Components.xml"));
}

TEST_F(EngineRegistrationTest, WaitsInSlicesAndLetsTheCallerWorkBetweenThem)
{
    // A stand-in tool that takes a third of a second: at least two slices
    // of 100 ms time out while it runs.
    fs::copy_file(TestComponent(), m_program / kEngineLibraryFile);
    vantor::test::WriteFile(
        m_program / "regsvr32", "#!/bin/sh\nsleep 0.35\necho \"$@\" > \"$(dirname \"$0\")/args\"\n");
    fs::permissions(m_program / "regsvr32", fs::perms::owner_all);

    int slices = 0;
    EXPECT_TRUE(RegisterEngine(m_program.string(), [&] { ++slices; }));
    EXPECT_GE(slices, 2);
    EXPECT_LE(slices, 10);
    EXPECT_EQ(
        vantor::test::ReadFile(m_program / "args"), "/s " + (m_program / kEngineLibraryFile).string() + "\n");
}

} // namespace
