#pragma once

// A dialog script for tests: records every modal interaction and answers
// from queues the test fills. An unscripted message box gets its safe
// answer; an unscripted file or folder dialog is cancelled.

#include "platform/Dialogs.h"

#include <deque>
#include <string>
#include <vector>

namespace vantor::test {

struct ShownMessage {
    std::string text;
    std::string caption;
    unsigned flags = 0;
    std::string detail;
};

class ScriptedDialogs final : public platform::IDialogs {
public:
    ScriptedDialogs() { m_previous = platform::SetDialogs(this); }
    ~ScriptedDialogs() override { platform::SetDialogs(m_previous); }
    ScriptedDialogs(const ScriptedDialogs&) = delete;
    ScriptedDialogs& operator=(const ScriptedDialogs&) = delete;

    std::vector<ShownMessage> messages;
    std::deque<int> messageAnswers;
    std::deque<std::optional<std::string>> inputAnswers;
    std::deque<std::vector<std::string>> openFilesAnswers;
    std::deque<std::optional<std::string>> folderAnswers;
    std::vector<std::string> inputDefaults; // the proposed text of each input box
    std::vector<platform::OpenFilesRequest> openFilesRequests;
    std::vector<std::string> folderRequests; // initial folders asked with

    int MessageBox(
        platform::DialogOwner, const std::string& text, const std::string& caption, unsigned flags) override
    {
        messages.push_back({ text, caption, flags, {} });
        if (messageAnswers.empty())
            return platform::SafeAnswer(flags);
        int answer = messageAnswers.front();
        messageAnswers.pop_front();
        return answer;
    }
    int MessageBoxWithDetail(platform::DialogOwner owner, const std::string& text, const std::string& detail,
        const std::string& caption, unsigned flags) override
    {
        const int answer = MessageBox(owner, text, caption, flags);
        messages.back().detail = detail;
        return answer;
    }
    std::optional<std::string> InputBox(platform::DialogOwner, const std::string&, const std::string&,
        const std::string& defaultText) override
    {
        inputDefaults.push_back(defaultText);
        return Take(inputAnswers, std::optional<std::string>());
    }
    std::vector<std::string> OpenFiles(
        platform::DialogOwner, const platform::OpenFilesRequest& request) override
    {
        openFilesRequests.push_back(request);
        return Take(openFilesAnswers, std::vector<std::string>());
    }
    std::optional<std::string> BrowseFolder(
        platform::DialogOwner, const std::string&, const std::string& initialFolder) override
    {
        folderRequests.push_back(initialFolder);
        return Take(folderAnswers, std::optional<std::string>());
    }

private:
    template <typename T> static T Take(std::deque<T>& queue, T fallback)
    {
        if (queue.empty())
            return fallback;
        T value = std::move(queue.front());
        queue.pop_front();
        return value;
    }

    platform::IDialogs* m_previous = nullptr;
};

} // namespace vantor::test
