#include "platform/UserDefaults.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "platform/FileDescriptor.h"

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <fcntl.h>
#include <mutex>
#include <sstream>
#include <sys/file.h>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace fs = std::filesystem;
using nlohmann::json;

namespace {

constexpr size_t kMaxPreferenceFileSize = 1024 * 1024;

std::optional<PrefValue> fromJson(const json& value) {
    if (value.is_boolean())
        return PrefValue{value.get<bool>()};
    if (value.is_number_integer())
        return PrefValue{value.get<int64_t>()};
    if (value.is_string())
        return PrefValue{value.get<std::string>()};
    if (value.is_array()) {
        StringList list;
        for (const json& item : value) {
            if (!item.is_string())
                return std::nullopt;
            list.push_back(item.get<std::string>());
        }
        return PrefValue{std::move(list)};
    }
    return std::nullopt;
}

json toJson(const PrefValue& value) {
    return std::visit([](const auto& v) { return json(v); }, value);
}

std::string quoted(const std::string& text) {
    std::string out = "\"";
    for (char c : text) {
        if (c == '"' || c == '\\')
            out += '\\';
        out += c;
    }
    return out + "\"";
}

// A name beside `path` that nothing uses yet, for a file moved aside.
std::string asideName(const fs::path& path) {
    char stamp[32];
    time_t now = time(nullptr);
    struct tm local;
    localtime_r(&now, &local);
    strftime(stamp, sizeof stamp, "%Y%m%d-%H%M%S", &local);
    return path.string() + ".corrupt-" + stamp;
}

class FileLock {
  public:
    explicit FileLock(const fs::path& lockPath) {
        fd_ = ::open(lockPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
        if (fd_ >= 0)
            while (flock(fd_, LOCK_EX) != 0 && errno == EINTR) {
            }
    }
    ~FileLock() {
        if (fd_ >= 0)
            ::close(fd_); // closing releases the lock
    }

  private:
    int fd_ = -1;
};

} // namespace

std::string describePrefValue(const PrefValue& value) {
    struct Describer {
        std::string operator()(bool b) const { return b ? "1" : "0"; }
        std::string operator()(int64_t i) const { return std::to_string(i); }
        std::string operator()(const std::string& s) const { return quoted(s); }
        std::string operator()(const StringList& list) const {
            std::string out = "(";
            for (size_t i = 0; i < list.size(); ++i)
                out += (i ? ", " : "") + quoted(list[i]);
            return out + ")";
        }
    };
    return std::visit(Describer{}, value);
}

UserDefaults::UserDefaults(fs::path file) : file_(std::move(file)) {
    std::unique_lock guard(mutex_);
    stored_ = readFileLocked(true).value_or(json::object());
}

fs::path UserDefaults::defaultDirectory() {
    if (const char* dir = std::getenv("ORVANE_CONFIG_DIR"); dir && *dir)
        return dir;
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && *xdg && xdg[0] == '/')
        return fs::path(xdg) / "orvane";
    return fs::path(homeDirectory()) / ".config" / "orvane";
}

fs::path UserDefaults::runJournalDirectory() {
    if (const char* dir = std::getenv("ORVANE_STATE_DIR"); dir && *dir)
        return dir;
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && *xdg && xdg[0] == '/')
        return fs::path(xdg) / "orvane" / "runs";
    return fs::path(homeDirectory()) / ".local" / "state" / "orvane" / "runs";
}

fs::path UserDefaults::defaultFile() {
    return defaultDirectory() / "preferences.json";
}

UserDefaults& UserDefaults::standard() {
    static UserDefaults store(defaultFile());
    return store;
}

std::optional<json> UserDefaults::readFileLocked(bool moveAsideWhenCorrupt) {
    std::FILE* in = std::fopen(file_.c_str(), "rb");
    if (!in) {
        if (errno == ENOENT)
            return json::object();
        logMessage(LOG_WARN, "Couldn't read preference file '%s': %d-%s", file_.c_str(), errno,
                   std::strerror(errno));
        return std::nullopt;
    }
    // Settings are a few kilobytes: a file far larger is not ours, and parsing it could take
    // all the memory there is. At most one byte more than the limit is read.
    std::string text;
    char buffer[65536];
    size_t n;
    while (text.size() <= kMaxPreferenceFileSize &&
           (n = std::fread(buffer, 1,
                           std::min(sizeof buffer, kMaxPreferenceFileSize + 1 - text.size()), in)) >
               0)
        text.append(buffer, n);
    const int readError = std::ferror(in) ? errno : 0;
    std::fclose(in);
    if (readError) {
        logMessage(LOG_WARN, "Couldn't read preference file '%s': %d-%s", file_.c_str(), readError,
                   std::strerror(readError));
        return std::nullopt;
    }

    json parsed = text.size() > kMaxPreferenceFileSize ? json(json::value_t::discarded)
                                                       : json::parse(text, nullptr, false);
    if (!parsed.is_discarded() && parsed.is_object())
        return parsed;
    if (moveAsideWhenCorrupt) {
        // Never delete what the user had: keep the unreadable file under a new name.
        std::string aside = asideName(file_);
        for (int i = 1; fs::exists(aside); ++i)
            aside = asideName(file_) + "-" + std::to_string(i);
        if (::rename(file_.c_str(), aside.c_str()) == 0)
            logMessage(LOG_WARN, "Preference file '%s' could not be read; moved it aside to '%s'",
                       file_.c_str(), aside.c_str());
        else
            logMessage(LOG_WARN,
                       "Preference file '%s' could not be read and could not be moved aside to "
                       "'%s': %d-%s",
                       file_.c_str(), aside.c_str(), errno, std::strerror(errno));
    }
    return json::object();
}

void UserDefaults::registerDefaults(const std::map<std::string, PrefValue>& defaults) {
    std::unique_lock guard(mutex_);
    for (const auto& [key, value] : defaults)
        registered_[key] = value;
}

void UserDefaults::setArgumentValue(const std::string& key, const PrefValue& value) {
    std::unique_lock guard(mutex_);
    arguments_[key] = value;
}

std::optional<PrefValue> UserDefaults::objectForKey(const std::string& key) const {
    std::shared_lock guard(mutex_);
    if (auto it = arguments_.find(key); it != arguments_.end())
        return it->second;
    if (auto it = stored_.find(key); it != stored_.end())
        if (auto value = fromJson(*it))
            return value;
    if (auto it = registered_.find(key); it != registered_.end())
        return it->second;
    return std::nullopt;
}

template <typename T> std::optional<T> UserDefaults::typedValue(const std::string& key) const {
    std::shared_lock guard(mutex_);
    if (auto it = arguments_.find(key);
        it != arguments_.end() && std::holds_alternative<T>(it->second))
        return std::get<T>(it->second);
    if (auto it = stored_.find(key); it != stored_.end())
        if (auto value = fromJson(*it); value && std::holds_alternative<T>(*value))
            return std::get<T>(*value);
    if (auto it = registered_.find(key); it != registered_.end())
        if (std::holds_alternative<T>(it->second))
            return std::get<T>(it->second);
    return std::nullopt;
}

std::optional<std::string> UserDefaults::stringForKey(const std::string& key) const {
    return typedValue<std::string>(key);
}

std::optional<StringList> UserDefaults::stringArrayForKey(const std::string& key) const {
    return typedValue<StringList>(key);
}

long UserDefaults::integerForKey(const std::string& key) const {
    return static_cast<long>(typedValue<int64_t>(key).value_or(0));
}

bool UserDefaults::boolForKey(const std::string& key) const {
    return typedValue<bool>(key).value_or(false);
}

void UserDefaults::setObject(const std::string& key, const PrefValue& value) {
    std::unique_lock guard(mutex_);
    stored_[key] = toJson(value);
    changedKeys_.insert(key);
}

void UserDefaults::removeObjectForKey(const std::string& key) {
    std::unique_lock guard(mutex_);
    stored_.erase(key);
    changedKeys_.insert(key);
}

bool UserDefaults::synchronize() {
    std::unique_lock guard(mutex_);
    std::error_code ec;
    fs::create_directories(file_.parent_path(), ec);
    FileLock lock(file_.string() + ".lock");

    // Merge: what another process stored meanwhile stays, our own changes win.
    std::optional<json> onDisk = readFileLocked(true);
    if (!onDisk)
        return false; // never replace settings that could not be read
    json merged = std::move(*onDisk);
    for (const std::string& key : changedKeys_) {
        if (auto it = stored_.find(key); it != stored_.end())
            merged[key] = *it;
        else
            merged.erase(key);
    }

    const std::string text = merged.dump(2) + "\n";
    std::string tmpPath = file_.string() + ".tmp-XXXXXX";
    int fd = mkostemp(tmpPath.data(), O_CLOEXEC);
    if (fd < 0) {
        logMessage(LOG_WARN, "Couldn't write preference file '%s': %d-%s", file_.c_str(), errno,
                   std::strerror(errno));
        return false;
    }
    bool ok = writeFully(fd, text.data(), text.size()) && fchmod(fd, 0600) == 0 && fsync(fd) == 0;
    int err = errno;
    ok = (::close(fd) == 0) && ok;
    if (ok && ::rename(tmpPath.c_str(), file_.c_str()) != 0) {
        ok = false;
        err = errno;
    }
    if (!ok) {
        ::unlink(tmpPath.c_str());
        logMessage(LOG_WARN, "Couldn't write preference file '%s': %d-%s", file_.c_str(), err,
                   std::strerror(err));
        return false;
    }
    stored_ = std::move(merged);
    changedKeys_.clear();
    return true;
}

std::map<std::string, PrefValue> UserDefaults::dictionaryRepresentation() const {
    std::shared_lock guard(mutex_);
    std::map<std::string, PrefValue> all = registered_;
    for (auto it = stored_.begin(); it != stored_.end(); ++it)
        if (auto value = fromJson(it.value()))
            all[it.key()] = *value;
    for (const auto& [key, value] : arguments_)
        all[key] = value;
    return all;
}

std::string UserDefaults::description() const {
    std::ostringstream out;
    out << "{\n";
    for (const auto& [key, value] : dictionaryRepresentation())
        out << "    " << key << " = " << describePrefValue(value) << ";\n";
    out << "}\n";
    return out.str();
}

} // namespace orvane
