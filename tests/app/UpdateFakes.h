#pragma once

#include "platform/HttpClient.h"
#include "platform/Services.h"
#include "support/Fakes.h"

#include <deque>
#include <functional>
#include <map>
#include <optional>
#include <string>
#include <vector>

namespace orvane::test {

using RecordingAlerts = FakeAlerts;

class RecordingWorkspace : public Workspace {
  public:
    void noteFileSystemChanged() override {}
    bool openURL(const std::string& url) override {
        opened.push_back(url);
        return opens;
    }
    bool openPath(const std::string&) override { return true; }
    bool showInFolder(const std::string&) override { return true; }
    std::vector<std::string> opened;
    bool opens = true; // false: no application handles the URL
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
