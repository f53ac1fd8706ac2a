// The help pages as they are installed beside the program: every topic the
// program can ask for has its page, and the pages are complete and accessible.

#include "support/CVHtmlHelp.h"
#include "support/HelpLauncher.h"

#include "TestEnvironment.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <string>
#include <vector>

namespace {

namespace fs = std::filesystem;
using vantor::test::BinDir;
using vantor::test::ReadFile;

const std::string kHelpFile = (BinDir() / "CV Vantor Pro Help.chm").string();

std::string PercentDecode(const std::string& text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '%' && i + 2 < text.size()) {
            out += static_cast<char>(std::stoi(text.substr(i + 1, 2), nullptr, 16));
            i += 2;
        } else {
            out += text[i];
        }
    }
    return out;
}

// The file the launcher opens for `topic`, found the way the program finds it.
fs::path PageOf(const std::string& topic)
{
    const std::string url = HelpLocationToFileUrl(CVHtmlHelp::MakeLocation(kHelpFile, "/html/", topic));
    const std::string scheme = "file://";
    EXPECT_EQ(url.rfind(scheme, 0), 0u) << url;
    return PercentDecode(url.substr(scheme.size()));
}

fs::path PagesFolder()
{
    return BinDir() / "CV Vantor Pro Help" / "html";
}

std::vector<std::string> Matches(const std::string& text, const std::regex& pattern, int group = 1)
{
    std::vector<std::string> found;
    for (auto it = std::sregex_iterator(text.begin(), text.end(), pattern); it != std::sregex_iterator();
         ++it)
        found.push_back((*it)[group].str());
    return found;
}

TEST(HelpPages, EveryTopicOfTheProgramHasItsPage)
{
    std::set<std::string> seen;
    for (const char* topic : help_topic::kAll) {
        EXPECT_TRUE(seen.insert(topic).second) << "listed twice: " << topic;
        EXPECT_TRUE(fs::is_regular_file(PageOf(topic))) << PageOf(topic);
    }
    EXPECT_TRUE(fs::is_regular_file(PageOf("index")));
}

// Dialogs name their topics as literals or through help_topic; a literal
// passed to ShowTopic or ShowHelpTopic anywhere in the sources must have a page.
TEST(HelpPages, EveryTopicNamedInTheSourcesHasItsPage)
{
    const std::regex call(R"((ShowTopic|ShowHelpTopic)\s*\(([^;]*);)");
    const std::regex literal(R"xx("([^"\\]*)")xx");
    std::size_t calls = 0;
    for (const char* folder : { "app", "flash", "video", "support" }) {
        const fs::path root = fs::path(VANTOR_SOURCE_DIR) / folder;
        if (!fs::is_directory(root))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            const std::string text = ReadFile(entry.path());
            for (const std::string& arguments : Matches(text, call, 2)) {
                ++calls;
                for (const std::string& topic : Matches(arguments, literal))
                    EXPECT_TRUE(fs::is_regular_file(PageOf(topic)))
                        << "topic \"" << topic << "\" named in " << entry.path() << " has no page";
            }
        }
    }
    // At least the launcher's own forwarding call is found, so the scan works.
    EXPECT_GE(calls, 1u);
}

TEST(HelpPages, PagesAreAccessibleAndTheirLinksResolve)
{
    const std::regex lang(R"(<html lang="[a-z]{2}")");
    const std::regex title(R"(<title>[^<]+</title>)");
    const std::regex stylesheet(R"(<link rel="stylesheet" href="help.css">)");
    const std::regex image(R"(<img\b[^>]*>)");
    const std::regex alt(R"(\balt="[^"]+")");
    const std::regex reference(R"xx(\b(?:href|src)="([^"#]*)(#[^"]*)?")xx");
    const std::regex heading(R"(<h([1-6])\b)");

    std::size_t pages = 0;
    for (const auto& entry : fs::directory_iterator(PagesFolder())) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        const std::string name = entry.path().filename().string();
        const std::string text = ReadFile(entry.path());
        EXPECT_TRUE(std::regex_search(text, lang)) << name << ": no language";
        EXPECT_TRUE(std::regex_search(text, title)) << name << ": no title";
        EXPECT_TRUE(std::regex_search(text, stylesheet)) << name << ": not on the shared stylesheet";
        for (const std::string& tag : Matches(text, image, 0))
            EXPECT_TRUE(std::regex_search(tag, alt)) << name << ": image without text: " << tag;
        for (const std::string& target : Matches(text, reference)) {
            if (target.empty() || target.find(':') != std::string::npos)
                continue; // same-page anchors and outside addresses
            EXPECT_TRUE(fs::is_regular_file(PagesFolder() / PercentDecode(target)))
                << name << " links to " << target;
        }
        // One h1, and no level skipped on the way down, so that the outline
        // read out by a screen reader has no gaps.
        const std::vector<std::string> levels = Matches(text, heading);
        ASSERT_FALSE(levels.empty()) << name;
        EXPECT_EQ(levels.front(), "1") << name;
        EXPECT_EQ(std::count(levels.begin(), levels.end(), "1"), 1) << name;
        for (std::size_t i = 1; i < levels.size(); ++i)
            EXPECT_LE(std::stoi(levels[i]), std::stoi(levels[i - 1]) + 1) << name << " heading " << i;
    }
    EXPECT_EQ(pages, help_topic::kAll.size() + 1); // the topics and the index

    const std::string index = ReadFile(PageOf("index"));
    for (const char* topic : help_topic::kAll)
        EXPECT_NE(index.find("href=\"" + std::string(topic) + ".htm\""), std::string::npos)
            << "the index does not list " << topic;
}

} // namespace
