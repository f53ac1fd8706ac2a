#include "support/ComponentRegistry.h"

#include "TestEnvironment.h"
#include "testplugin/TestComponent.h"

#include <filesystem>
#include <gtest/gtest.h>
#include <string>
#include <vector>

namespace {

using namespace vantor;
using vantor::test::ITestCounter;

// Runs the registration tool with `arguments`; its exit code, or -1 when it
// could not run.
int RunRegsvr32(std::vector<std::string> arguments)
{
    arguments.insert(arguments.begin(), (vantor::test::BinDir() / "regsvr32").string());
    return vantor::test::RunProgram(arguments).status;
}

std::string TestComponentPath()
{
    // The test binaries and the test component are built into one folder.
    return std::filesystem::canonical("/proc/self/exe").parent_path() / vantor::test::kTestComponentFile;
}

class ComponentRegistryTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_TRUE(std::filesystem::exists(TestComponentPath())) << TestComponentPath();
    }

    vantor::test::TempDir m_dir;
    vantor::test::ScopedEnv m_registry { "VANTOR_COMPONENT_REGISTRY",
        (m_dir.Path() / "registry" / "Components.xml").c_str() };
};

TEST_F(ComponentRegistryTest, Regsvr32RegistersLibraryThatCoCreateInstanceLoads)
{
    void* object = nullptr;
    EXPECT_EQ(CoCreateInstance(test::CLSID_TestCounter, nullptr, 3, test::IID_ITestCounter, &object),
        platform::REGDB_E_CLASSNOTREG);

    ASSERT_EQ(RunRegsvr32({ "/s", TestComponentPath() }), 0);
    EXPECT_TRUE(std::filesystem::exists(ComponentRegistryPath()));
    // Class ids are looked up without regard to case.
    std::string lowerId = test::CLSID_TestCounter;
    for (char& c : lowerId)
        c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    EXPECT_EQ(FindComponentLibrary(lowerId), TestComponentPath());

    ASSERT_EQ(CoCreateInstance(lowerId.c_str(), nullptr, 3, test::IID_ITestCounter, &object), platform::S_OK);
    auto* first = static_cast<ITestCounter*>(object);
    ASSERT_EQ(CoCreateInstance(
                  test::CLSID_TestCounter, nullptr, CLSCTX_INPROC_SERVER, test::IID_ITestCounter, &object),
        platform::S_OK);
    auto* second = static_cast<ITestCounter*>(object);
    EXPECT_EQ(first->Add(2), 2);
    EXPECT_EQ(first->Add(3), 5);
    EXPECT_EQ(second->Add(7), 7); // each call makes a new object
    EXPECT_EQ(first->LiveObjects(), 2);
    EXPECT_EQ(first->Release(), 0u);
    EXPECT_EQ(second->LiveObjects(), 1);
    EXPECT_EQ(second->Release(), 0u);

    ASSERT_EQ(RunRegsvr32({ "/u", "/s", TestComponentPath() }), 0);
    EXPECT_EQ(FindComponentLibrary(test::CLSID_TestCounter), std::nullopt);
    EXPECT_EQ(CoCreateInstance(test::CLSID_TestCounter, nullptr, 3, test::IID_ITestCounter, &object),
        platform::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(object, nullptr);
    // Unregistering again: the library's own call fails, and the tool says so.
    EXPECT_EQ(RunRegsvr32({ "/s", "/u", TestComponentPath() }), 5);
}

TEST_F(ComponentRegistryTest, Regsvr32ExitCodesTellWhatFailed)
{
    struct Case {
        std::vector<std::string> arguments;
        int exitCode;
    };
    const Case cases[] = {
        { {}, 1 }, { { "/s" }, 1 }, { { "/s", "a.so", "b.so" }, 1 }, { { "/s", m_dir / "missing.so" }, 3 },
        { { "/s", "libm.so.6" }, 4 }, // loads, but is no component
    };
    for (const Case& c : cases)
        EXPECT_EQ(RunRegsvr32(c.arguments), c.exitCode) << testing::PrintToString(c.arguments);
    EXPECT_FALSE(std::filesystem::exists(ComponentRegistryPath()));
}

TEST_F(ComponentRegistryTest, CoCreateInstanceReportsEachKindOfFailureAndClassesRegisterOneByOne)
{
    const std::string otherClass = "{11111111-2222-3333-4444-555555555555}";
    ASSERT_EQ(
        RegisterComponentClass(test::CLSID_TestCounter, TestComponentPath(), "Test counter"), platform::S_OK);
    ASSERT_EQ(RegisterComponentClass(otherClass, m_dir / "gone.so", "Missing library"), platform::S_OK);

    struct Case {
        const char* name;
        const char* classId;
        bool outer;
        unsigned context;
        const char* interfaceId;
        int result;
    };
    int dummyOuter = 0;
    const Case cases[] = {
        { "unknown class", "{99999999-2222-3333-4444-555555555555}", false, 3, test::IID_ITestCounter,
            platform::REGDB_E_CLASSNOTREG },
        { "library missing", otherClass.c_str(), false, 3, test::IID_ITestCounter,
            platform::CLASS_E_CLASSNOTAVAILABLE },
        { "interface unknown", test::CLSID_TestCounter, false, 3, "{00000000-0000-0000-0000-000000000001}",
            platform::E_NOINTERFACE },
        { "aggregation", test::CLSID_TestCounter, true, 3, test::IID_ITestCounter,
            static_cast<int>(0x80040110u) },
        { "out-of-process only", test::CLSID_TestCounter, false, 0x4, test::IID_ITestCounter,
            platform::REGDB_E_CLASSNOTREG },
        { "IUnknown", test::CLSID_TestCounter, false, 3, test::IID_IUnknown, platform::S_OK },
    };
    for (const Case& c : cases) {
        void* object = reinterpret_cast<void*>(&dummyOuter);
        EXPECT_EQ(
            CoCreateInstance(c.classId, c.outer ? &dummyOuter : nullptr, c.context, c.interfaceId, &object),
            c.result)
            << c.name;
        if (c.result == platform::S_OK)
            static_cast<platform::IUnknown*>(object)->Release();
        else
            EXPECT_EQ(object, nullptr) << c.name;
    }

    // Registering again replaces the library; unregistering one class
    // keeps the others.
    const std::string a = "{AAAAAAAA-0000-0000-0000-000000000001}";
    const std::string b = "{BBBBBBBB-0000-0000-0000-000000000002}";
    ASSERT_EQ(RegisterComponentClass(a, "/opt/a/libA.so", "A"), platform::S_OK);
    ASSERT_EQ(RegisterComponentClass(b, "/opt/b/libB.so", "B"), platform::S_OK);
    ASSERT_EQ(RegisterComponentClass(a, "/opt/a2/libA.so", "A"), platform::S_OK);
    EXPECT_EQ(FindComponentLibrary(a), "/opt/a2/libA.so");

    EXPECT_EQ(UnregisterComponentClass(a), platform::S_OK);
    EXPECT_EQ(FindComponentLibrary(a), std::nullopt);
    EXPECT_EQ(FindComponentLibrary(b), "/opt/b/libB.so");
    EXPECT_EQ(UnregisterComponentClass(a), platform::REGDB_E_CLASSNOTREG);
    EXPECT_EQ(RegisterComponentClass("", "/opt/x.so", "no id"), platform::E_FAIL);
    EXPECT_EQ(RegisterComponentClass(a, "", "no library"), platform::E_FAIL);
}

} // namespace
