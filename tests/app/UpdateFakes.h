#pragma once

#include "platform/HttpClient.h"
#include "platform/Services.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane::test {

// Records every alert and answers with the queued button indexes (0 when none is queued).
class RecordingAlerts : public AlertService {
  public:
    struct Alert {
        std::string title, message, defaultButton, alternateButton, otherButton;
    };
    int runAlert(const std::string& title, const std::string& message,
                 const std::string& defaultButton, const std::string& alternateButton,
                 const std::string& otherButton) override {
        shown.push_back({title, message, defaultButton, alternateButton, otherButton});
        if (answers.empty())
            return 0;
        const int answer = answers.front();
        answers.pop_front();
        return answer;
    }
    std::vector<Alert> shown;
    std::deque<int> answers;
};

class RecordingWorkspace : public Workspace {
  public:
    void noteFileSystemChanged() override {}
    bool openURL(const std::string& url) override {
        opened.push_back(url);
        return true;
    }
    std::vector<std::string> opened;
};

// Answers the contents given per URL, nothing for any other URL, and records the requests.
class ScriptedHttp : public HttpClient {
  public:
    std::optional<std::string> fetch(const std::string& url) override {
        requested.push_back(url);
        if (beforeAnswer)
            beforeAnswer(url);
        auto it = contents.find(url);
        if (it == contents.end())
            return std::nullopt;
        return it->second;
    }
    std::map<std::string, std::string> contents;
    std::vector<std::string> requested;
    std::function<void(const std::string&)> beforeAnswer;
};

} // namespace orvane::test
