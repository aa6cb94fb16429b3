#pragma once

#include <optional>
#include <string>

namespace orvane {

// Fetches the content at a URL, waiting for it. The desktop's client keeps the windows
// painted meanwhile; tests use their own.
class HttpClient {
  public:
    virtual ~HttpClient() = default;
    // The content, or none when the connection fails, the server answers with an error
    // status (a file that does not exist on the site) or no answer comes within the
    // client's time limit.
    virtual std::optional<std::string> fetch(const std::string& url) = 0;
};

} // namespace orvane
