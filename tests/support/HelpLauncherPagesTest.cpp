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

// The first group of every match of `pattern` in `text`.
std::vector<std::string> Matches(const std::string& text, const std::string& pattern)
{
    std::vector<std::string> found;
    const std::regex expression(pattern);
    for (auto it = std::sregex_iterator(text.begin(), text.end(), expression); it != std::sregex_iterator();
         ++it)
        found.push_back((*it)[1]);
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
            for (const char* function : { "ShowTopic\\(", "ShowHelpTopic\\(" }) {
                for (const std::string& arguments : Matches(text, function + std::string("([^;]*);"))) {
                    ++calls;
                    for (const std::string& topic : Matches(arguments, R"re("((?:[^"\\]|\\.)*)")re"))
                        EXPECT_TRUE(fs::is_regular_file(PageOf(topic)))
                            << "topic \"" << topic << "\" named in " << entry.path() << " has no page";
                }
            }
        }
    }
    // At least the launcher's own forwarding call is found, so the scan works.
    EXPECT_GE(calls, 1u);
}

TEST(HelpPages, PagesAreAccessibleAndTheirLinksResolve)
{
    std::size_t pages = 0;
    for (const auto& entry : fs::directory_iterator(PagesFolder())) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        const std::string name = entry.path().filename().string();
        const std::string text = ReadFile(entry.path());
        const std::vector<std::string> languages = Matches(text, "<html lang=\"([^\"]*)\"");
        ASSERT_EQ(languages.size(), 1u) << name << ": no language";
        EXPECT_EQ(languages[0].size(), 2u) << name;
        const std::vector<std::string> titles = Matches(text, "<title>([^<]*)<");
        ASSERT_EQ(titles.size(), 1u) << name;
        EXPECT_FALSE(titles[0].empty()) << name << ": empty title";
        EXPECT_NE(text.find("<link rel=\"stylesheet\" href=\"help.css\">"), std::string::npos)
            << name << ": not on the shared stylesheet";
        for (const std::string& tag : Matches(text, "<img([^>]*)>")) {
            const std::vector<std::string> alts = Matches(tag, "alt=\"([^\"]*)\"");
            EXPECT_TRUE(alts.size() == 1 && !alts[0].empty()) << name << ": image without text: " << tag;
        }
        std::vector<std::string> targets = Matches(text, "href=\"([^\"]*)\"");
        for (const std::string& source : Matches(text, "src=\"([^\"]*)\""))
            targets.push_back(source);
        for (std::string target : targets) {
            target = target.substr(0, target.find('#'));
            if (target.empty() || target.find(':') != std::string::npos)
                continue; // same-page anchors and outside addresses
            EXPECT_TRUE(fs::is_regular_file(PagesFolder() / PercentDecode(target)))
                << name << " links to " << target;
        }
        // One h1, and no level skipped on the way down, so that the outline
        // read out by a screen reader has no gaps.
        std::vector<int> levels;
        for (const std::string& level : Matches(text, "<h([1-6])[ >]"))
            levels.push_back(std::stoi(level));
        ASSERT_FALSE(levels.empty()) << name;
        EXPECT_EQ(levels.front(), 1) << name;
        EXPECT_EQ(std::count(levels.begin(), levels.end(), 1), 1) << name;
        for (std::size_t i = 1; i < levels.size(); ++i)
            EXPECT_LE(levels[i], levels[i - 1] + 1) << name << " heading " << i;
    }
    EXPECT_EQ(pages, help_topic::kAll.size() + 1); // the topics and the index

    const std::string index = ReadFile(PageOf("index"));
    for (const char* topic : help_topic::kAll)
        EXPECT_NE(index.find("href=\"" + std::string(topic) + ".htm\""), std::string::npos)
            << "the index does not list " << topic;
}

} // namespace
