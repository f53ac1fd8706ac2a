#include "platform/Dialogs.h"

#include <atomic>
#include <cstdio>

namespace platform {

namespace {

class ConsoleDialogs final : public IDialogs {
public:
    int MessageBox(DialogOwner, const std::string& text, const std::string& caption, unsigned flags) override
    {
        std::fprintf(stderr, "%s: %s\n", caption.c_str(), text.c_str());
        return SafeAnswer(flags);
    }
    int MessageBoxWithDetail(DialogOwner owner, const std::string& text, const std::string& detail,
        const std::string& caption, unsigned flags) override
    {
        const int answer = MessageBox(owner, text, caption, flags);
        if (!detail.empty())
            std::fprintf(stderr, "    %s\n", detail.c_str());
        return answer;
    }
    std::optional<std::string> InputBox(
        DialogOwner, const std::string&, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
    std::vector<std::string> OpenFiles(DialogOwner, const OpenFilesRequest&) override { return {}; }
    std::optional<std::string> BrowseFolder(DialogOwner, const std::string&, const std::string&) override
    {
        return std::nullopt;
    }
};

ConsoleDialogs g_console;
std::atomic<IDialogs*> g_dialogs { nullptr };

} // namespace

IDialogs* SetDialogs(IDialogs* dialogs)
{
    return g_dialogs.exchange(dialogs);
}

IDialogs& Dialogs()
{
    IDialogs* dialogs = g_dialogs.load();
    return dialogs ? *dialogs : g_console;
}

} // namespace platform
