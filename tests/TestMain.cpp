#include "TestEnvironment.h"

#include <cstdlib>
#include <filesystem>
#include <gtest/gtest.h>

#if defined(__SANITIZE_ADDRESS__)
// In a sanitizer build the tests pass under plain ctest too: leaks inside
// system libraries (fontconfig and the like) are suppressed, every other
// leak fails the test.
extern "C" const char* __lsan_default_options()
{
    return "suppressions=" VANTOR_SOURCE_DIR "/scripts/lsan.supp";
}
#endif

// Points HOME and every XDG folder into a private temporary folder before
// any test runs, so that settings files, registries and language choices made
// by one test binary never reach the real user or another binary.
int main(int argc, char** argv)
{
    namespace fs = std::filesystem;
    const fs::path& home = vantor::test::TestHome();
    for (const char* sub : { "config", "etc-xdg", "runtime", "Documents" })
        fs::create_directories(home / sub);
    fs::permissions(home / "runtime", fs::perms::owner_all);
    setenv("HOME", home.c_str(), 1);
    setenv("XDG_CONFIG_HOME", (home / "config").c_str(), 1);
    setenv("XDG_CONFIG_DIRS", (home / "etc-xdg").c_str(), 1);
    setenv("XDG_RUNTIME_DIR", (home / "runtime").c_str(), 1);
    setenv("XDG_DOCUMENTS_DIR", (home / "Documents").c_str(), 1);
    if (std::getenv("QT_QPA_PLATFORM") == nullptr)
        setenv("QT_QPA_PLATFORM", "offscreen", 1);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
