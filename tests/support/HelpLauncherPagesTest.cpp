// The help pages as they are installed beside the program: every topic the
// program can ask for has its page, and the pages are complete and accessible.

#include "support/CVHtmlHelp.h"
#include "support/HelpLauncher.h"

#include "TestEnvironment.h"

#include <filesystem>
#include <gtest/gtest.h>
// GCC 12 warns falsely inside <regex> in the sanitizer build.
#pragma GCC diagnostic ignored "-Wmaybe-uninitialized"
#include <regex>
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

// Every topic the program lists or names in its sources (a literal passed to
// ShowTopic or ShowHelpTopic) has its page where the launcher looks; every
// page has a language and a title, and its links resolve.
TEST(HelpPages, EveryTopicHasItsPageAndThePagesHoldTogether)
{
    std::vector<std::pair<std::string, std::string>> topics; // the topic, where it is named
    for (const char* topic : help_topic::kAll)
        topics.emplace_back(topic, "help_topic::kAll");
    std::size_t calls = 0;
    for (const char* folder : { "app", "flash", "video", "support" }) {
        const fs::path root = fs::path(VANTOR_SOURCE_DIR) / folder;
        if (!fs::is_directory(root))
            continue;
        for (const auto& entry : fs::recursive_directory_iterator(root)) {
            const std::string extension = entry.path().extension().string();
            if (extension != ".cpp" && extension != ".h")
                continue;
            for (const std::string& arguments :
                Matches(ReadFile(entry.path()), "Show(?:Help)?Topic\\(([^;]*);")) {
                ++calls;
                for (const std::string& topic : Matches(arguments, R"re("((?:[^"\\]|\\.)*)")re"))
                    topics.emplace_back(topic, entry.path().string());
            }
        }
    }
    EXPECT_GE(calls, 1u) << "the scan of the sources found not even the launcher's own call";
    for (const auto& [topic, where] : topics)
        EXPECT_TRUE(fs::is_regular_file(PageOf(topic))) << topic << " named in " << where;

    std::size_t pages = 0;
    for (const auto& entry : fs::directory_iterator(PagesFolder())) {
        if (entry.path().extension() != ".htm")
            continue;
        ++pages;
        const std::string name = entry.path().filename().string();
        const std::string text = ReadFile(entry.path());
        EXPECT_EQ(Matches(text, "<html lang=\"([a-z][a-z])\"").size(), 1u) << name;
        EXPECT_EQ(Matches(text, "<title>([^<]+)<").size(), 1u) << name;
        std::vector<std::string> targets = Matches(text, "href=\"([^\"]*)\"");
        for (const std::string& source : Matches(text, "src=\"([^\"]*)\""))
            targets.push_back(source);
        for (std::string target : targets) {
            target = target.substr(0, target.find('#'));
            if (target.empty() || target.find(':') != std::string::npos)
                continue; // same-page anchors and outside addresses
            EXPECT_TRUE(fs::is_regular_file(PagesFolder() / PercentDecode(target)))
                << name << " -> " << target;
        }
    }
    EXPECT_EQ(pages, help_topic::kAll.size() + 1); // the topics and the index
    const std::string index = ReadFile(PageOf("index"));
    for (const char* topic : help_topic::kAll)
        EXPECT_NE(index.find("href=\"" + std::string(topic) + ".htm\""), std::string::npos) << topic;
}

} // namespace
