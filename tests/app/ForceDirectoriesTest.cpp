#include "TestEnvironment.h"

#include "app/ForceDirectories.h"

#include <climits>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

namespace vantor {
namespace {

namespace fs = std::filesystem;

TEST(ForceDirectoriesTest, CreatesEveryMissingParent)
{
    test::TempDir temp;
    const std::string base = temp.Path().string();
    struct Case {
        std::string path;
        std::string mustExist;
    };
    const Case cases[] = {
        { base + "/a/b/c", base + "/a/b/c" },
        { base + "/d/e/", base + "/d/e" },
        { base + "/a/b", base + "/a/b" }, // exists already
        { base + "//f//g", base + "/f/g" },
        { base + "/with space/Ünïcode", base + "/with space/Ünïcode" },
    };
    for (const Case& c : cases) {
        EXPECT_TRUE(ForceDirectories(c.path)) << c.path;
        EXPECT_TRUE(fs::is_directory(c.mustExist)) << c.path;
    }
}

TEST(ForceDirectoriesTest, RelativePathsStartInCurrentFolder)
{
    test::TempDir temp;
    const fs::path previous = fs::current_path();
    fs::current_path(temp.Path());
    const bool created = ForceDirectories("rel/sub");
    fs::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(fs::is_directory(temp.Path() / "rel/sub"));
}

TEST(ForceDirectoriesTest, RootAndEmptyPathCountAsCreated)
{
    EXPECT_TRUE(ForceDirectories(""));
    EXPECT_TRUE(ForceDirectories("/"));
}

TEST(ForceDirectoriesTest, FailsWhenAParentIsAFile)
{
    test::TempDir temp;
    test::WriteFile(temp / "file", "x");
    EXPECT_FALSE(ForceDirectories(temp / "file/sub"));
    EXPECT_FALSE(ForceDirectories(temp / "file/sub/deeper"));
    EXPECT_FALSE(fs::exists(temp / "file/sub"));
}

// Builds a path below `base` of exactly `length` bytes out of short
// components, so that only the total length matters.
std::string PathOfLength(const std::string& base, std::size_t length)
{
    std::string path = base;
    while (path.size() < length) {
        const std::size_t room = length - path.size() - 1;
        path += "/" + std::string(std::min<std::size_t>(room == 0 ? 1 : room, 100), 'd');
    }
    path.resize(length);
    if (path.back() == '/')
        path.back() = 'e';
    return path;
}

TEST(ForceDirectoriesTest, RefusesPathLongerThanPathMax)
{
    test::TempDir temp;
    // The added '/' and the terminator must fit too: PATH_MAX - 2 bytes of
    // text is the longest folder path that can be created.
    const std::string longest = PathOfLength(temp.Path().string() + "/ok", PATH_MAX - 2);
    ASSERT_EQ(longest.size(), static_cast<std::size_t>(PATH_MAX - 2));
    EXPECT_TRUE(ForceDirectories(longest));
    EXPECT_TRUE(fs::is_directory(longest));

    const std::string tooLong = PathOfLength(temp.Path().string() + "/no", PATH_MAX - 1);
    EXPECT_FALSE(ForceDirectories(tooLong));
    EXPECT_FALSE(fs::exists(temp / "no"));
    // A trailing '/' leaves room for nothing else.
    EXPECT_TRUE(ForceDirectories(longest + "/"));
    EXPECT_FALSE(ForceDirectories(longest + "x/"));
}

} // namespace
} // namespace vantor
