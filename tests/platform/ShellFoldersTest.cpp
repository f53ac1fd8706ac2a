#include "platform/ShellFolders.h"
#include "TestEnvironment.h"

#include <gtest/gtest.h>

using vantor::test::ScopedEnv;

TEST(ShellFolders, FollowTheXdgVariablesUserDirsAndTheirFallbacks)
{
    ScopedEnv home("HOME", "/home/ann/");
    {
        ScopedEnv config("XDG_CONFIG_HOME", "/cfg/");
        ScopedEnv dirs("XDG_CONFIG_DIRS", "/etc/one:/etc/two");
        EXPECT_EQ(platform::ApplicationDataFolder(), "/cfg");
        EXPECT_EQ(platform::CommonApplicationDataFolder(), "/etc/one");
    }
    ScopedEnv config("XDG_CONFIG_HOME", nullptr);
    ScopedEnv dirs("XDG_CONFIG_DIRS", nullptr);
    ScopedEnv docs("XDG_DOCUMENTS_DIR", nullptr);
    ScopedEnv runtime("XDG_RUNTIME_DIR", "relative/is/ignored");
    EXPECT_EQ(platform::HomeFolder(), "/home/ann");
    EXPECT_EQ(platform::ApplicationDataFolder(), "/home/ann/.config");
    EXPECT_EQ(platform::CommonApplicationDataFolder(), "/etc/xdg");
    EXPECT_EQ(platform::DocumentsFolder(), "/home/ann/Documents");
    EXPECT_EQ(platform::RuntimeFolder(), "/tmp");

    // The documents folder is read from user-dirs.dirs with $HOME expanded.
    vantor::test::TempDir dir;
    ScopedEnv tempHome("HOME", dir.Path().c_str());
    vantor::test::WriteFile(dir.Path() / ".config/user-dirs.dirs",
        "# written by xdg-user-dirs-update\nXDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
        "XDG_DOCUMENTS_DIR=\"$HOME/Dokumente\"\n");
    EXPECT_EQ(platform::DocumentsFolder(), dir.Path().string() + "/Dokumente");
}

static int FunctionInThisProgram()
{
    return 0;
}

TEST(ShellFolders, ExecutableFolderHoldsThisTestProgram)
{
    std::string path = platform::ExecutablePath();
    ASSERT_FALSE(path.empty());
    EXPECT_EQ(path.substr(0, platform::ExecutableFolder().size()), platform::ExecutableFolder());
    // The program's own code is in the executable; the platform's code is in
    // its shared library beside the plugins.
    EXPECT_EQ(platform::ModulePath(reinterpret_cast<const void*>(&FunctionInThisProgram)), path);
    std::string library = platform::ModulePath(reinterpret_cast<const void*>(&platform::ExecutablePath));
    EXPECT_NE(library, path);
    EXPECT_NE(library.find("libvantor-platform.so"), std::string::npos) << library;
}
