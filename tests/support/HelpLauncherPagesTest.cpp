// The help pages as they are installed beside the program: every topic the
// program can ask for has its page, and the pages are complete and accessible.

#include "support/CVHtmlHelp.h"
#include "support/HelpLauncher.h"

#include "TestEnvironment.h"

#include <algorithm>
#include <filesystem>
#include <gtest/gtest.h>
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

// The texts that follow each `opening` up to the next `closing`.
std::vector<std::string> Between(const std::string& text, const std::string& opening, char closing)
{
    std::vector<std::string> found;
    for (std::size_t pos = text.find(opening); pos != std::string::npos; pos = text.find(opening, pos)) {
        pos += opening.size();
        const std::size_t end = text.find(closing, pos);
        if (end == std::string::npos)
            break;
        found.push_back(text.substr(pos, end - pos));
        pos = end;
    }
    return found;
}

// The string literals in a piece of C++ source.
std::vector<std::string> Literals(const std::string& code)
{
    std::vector<std::string> found;
    for (std::size_t pos = code.find('"'); pos != std::string::npos; pos = code.find('"', pos + 1)) {
        std::string literal;
        for (++pos; pos < code.size() && code[pos] != '"'; ++pos) {
            if (code[pos] == '\\' && pos + 1 < code.size())
                ++pos;
            literal += code[pos];
        }
        found.push_back(literal);
    }
    return found;
}

// The heading levels of a page in order: <h1 ...> gives 1.
std::vector<int> HeadingLevels(const std::string& text)
{
    std::vector<int> levels;
    for (std::size_t pos = text.find("<h"); pos != std::string::npos; pos = text.find("<h", pos + 1)) {
        if (pos + 3 < text.size() && text[pos + 2] >= '1' && text[pos + 2] <= '6'
            && (text[pos + 3] == '>' || text[pos + 3] == ' '))
            levels.push_back(text[pos + 2] - '0');
    }
    return levels;
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
            for (const char* function : { "ShowTopic(", "ShowHelpTopic(" }) {
                for (const std::string& arguments : Between(text, function, ';')) {
                    ++calls;
                    for (const std::string& topic : Literals(arguments))
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
        const std::vector<std::string> languages = Between(text, "<html lang=\"", '"');
        ASSERT_EQ(languages.size(), 1u) << name << ": no language";
        EXPECT_EQ(languages[0].size(), 2u) << name;
        const std::vector<std::string> titles = Between(text, "<title>", '<');
        ASSERT_EQ(titles.size(), 1u) << name;
        EXPECT_FALSE(titles[0].empty()) << name << ": empty title";
        EXPECT_NE(text.find("<link rel=\"stylesheet\" href=\"help.css\">"), std::string::npos)
            << name << ": not on the shared stylesheet";
        for (const std::string& tag : Between(text, "<img", '>')) {
            const std::vector<std::string> alts = Between(tag, "alt=\"", '"');
            EXPECT_TRUE(alts.size() == 1 && !alts[0].empty()) << name << ": image without text: " << tag;
        }
        std::vector<std::string> targets = Between(text, "href=\"", '"');
        for (const std::string& source : Between(text, "src=\"", '"'))
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
        const std::vector<int> levels = HeadingLevels(text);
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
