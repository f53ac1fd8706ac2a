#include "TestEnvironment.h"

#include "app/ForceDirectories.h"

#include <climits>
#include <filesystem>

#include <unistd.h>

#include <gtest/gtest.h>

namespace vantor {
namespace {

namespace fs = std::filesystem;

// Every missing parent is created; a file in the way fails; root and the
// empty path count as created.
TEST(ForceDirectoriesTest, CreatesEveryMissingParent)
{
    test::TempDir temp;
    const std::string base = temp.Path().string();
    test::WriteFile(base + "/file", "x");
    struct Case {
        std::string path;
        bool created;
        std::string folder; // exists afterwards when created
    };
    const Case cases[] = {
        { base + "/a/b/c", true, base + "/a/b/c" },
        { base + "/d/e/", true, base + "/d/e" },
        { base + "/a/b", true, base + "/a/b" }, // exists already
        { base + "//f//g", true, base + "/f/g" },
        { base + "/with space/Ünïcode", true, base + "/with space/Ünïcode" },
        { "", true, "" },
        { "/", true, "/" },
        { base + "/file/sub", false, "" },
        { base + "/file/sub/deeper", false, "" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.path);
        EXPECT_EQ(ForceDirectories(c.path), c.created);
        if (!c.folder.empty()) {
            EXPECT_TRUE(fs::is_directory(c.folder));
        }
    }
    EXPECT_FALSE(fs::exists(base + "/file/sub"));

    // A relative path starts in the current folder.
    const fs::path previous = fs::current_path();
    fs::current_path(temp.Path());
    const bool created = ForceDirectories("rel/sub");
    fs::current_path(previous);
    EXPECT_TRUE(created);
    EXPECT_TRUE(fs::is_directory(temp.Path() / "rel/sub"));
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
