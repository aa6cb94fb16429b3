#pragma once

#include <cstdint>
#include <filesystem>
#include <map>
#include <nlohmann/json.hpp>
#include <optional>
#include <set>
#include <shared_mutex>
#include <string>
#include <variant>
#include <vector>

namespace orvane {

using StringList = std::vector<std::string>;

// A preference value: the four types the store keeps.
using PrefValue = std::variant<bool, int64_t, std::string, StringList>;

std::string describePrefValue(const PrefValue& value);

// The user-defaults store: persistent values in one JSON file per user, over a layer of
// registered defaults that lives in memory only. Reads are safe from any thread while
// another thread writes.
class UserDefaults {
  public:
    // A store kept in `file`; the file is read at once. A file that cannot be parsed is
    // moved aside and the store starts empty.
    explicit UserDefaults(std::filesystem::path file);

    // The folder of the per-user store: $ORVANE_CONFIG_DIR, else $XDG_CONFIG_HOME/orvane,
    // else ~/.config/orvane.
    static std::filesystem::path defaultDirectory();
    static std::filesystem::path defaultFile();

    // The store of this process, at defaultFile().
    static UserDefaults& standard();

    void registerDefaults(const std::map<std::string, PrefValue>& defaults);

    // Values that hide stored ones for this process only and are never written: the
    // command line's options.
    void setArgumentValue(const std::string& key, const PrefValue& value);

    // The stored value, else the registered one, else none. Stored values of a type the
    // store does not keep (floats, objects, mixed lists written by other tools) read as absent.
    std::optional<PrefValue> objectForKey(const std::string& key) const;
    std::optional<std::string> stringForKey(const std::string& key) const;
    std::optional<StringList> stringArrayForKey(const std::string& key) const;
    long integerForKey(const std::string& key) const;
    bool boolForKey(const std::string& key) const;

    void setObject(const std::string& key, const PrefValue& value);
    void setInteger(const std::string& key, long value) { setObject(key, int64_t{value}); }
    void setBool(const std::string& key, bool value) { setObject(key, value); }
    void removeObjectForKey(const std::string& key);

    // Writes the changes made since the last synchronisation to disk, merged with what
    // other processes stored meanwhile. Answers false when the file could not be written.
    bool synchronize();

    // Every key visible to reads with its value (stored over registered).
    std::map<std::string, PrefValue> dictionaryRepresentation() const;
    // The same as readable text, one "key = value;" line each.
    std::string description() const;

    const std::filesystem::path& file() const { return file_; }

  private:
    template <typename T> std::optional<T> typedValue(const std::string& key) const;
    // The stored values; an empty object for a missing file, or a corrupt or oversized one
    // (moved aside); none, after a WARN line, for a file that exists but cannot be read.
    std::optional<nlohmann::json> readFileLocked(bool moveAsideWhenCorrupt);

    std::filesystem::path file_;
    mutable std::shared_mutex mutex_;
    nlohmann::json stored_ = nlohmann::json::object();
    std::map<std::string, PrefValue> registered_;
    std::map<std::string, PrefValue> arguments_;
    std::set<std::string> changedKeys_;
};

} // namespace orvane
