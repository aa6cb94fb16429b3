#pragma once

#include <cstdlib>
#include <ctime>
#include <string>
#include <sys/stat.h>

namespace orvane::test {

// A fresh folder under the system's temporary folder, removed with everything inside it.
class TempDir {
  public:
    TempDir();
    ~TempDir();
    TempDir(const TempDir&) = delete;
    TempDir& operator=(const TempDir&) = delete;
    const std::string& path() const { return path_; }
    std::string operator/(const std::string& relative) const { return path_ + "/" + relative; }

  private:
    std::string path_;
};

// A capture-date corpus ("exif" or "formats"): the full one of the shared test data beside
// the checkout (or under $ORVANE_TESTDATA_DIR), else the sample kept in tests/data/corpus.
struct Corpus {
    std::string folder;   // empty when neither is there
    bool full = false;    // the shared corpus, whose counts the tests know
    std::string searched; // the folders looked in, for the message of a skipped test
};
Corpus findCorpus(const std::string& name);

// Writes a file (creating its folders) and sets its modification and access times.
void writeFile(const std::string& path, const std::string& contents, time_t mtime = 0,
               long nanoseconds = 0);
std::string readFile(const std::string& path);
bool exists(const std::string& path);
struct stat statOf(const std::string& path);

// Seconds since 1970 of a local date and time.
time_t localTime(int year, int month, int day, int hour = 12, int minute = 0, int second = 0);

// Sets TZ for the life of the scope and puts the old value back.
class TimeZoneScope {
  public:
    explicit TimeZoneScope(const char* zone) {
        if (const char* old = std::getenv("TZ"))
            old_ = old, hadOld_ = true;
        setenv("TZ", zone, 1);
        tzset();
    }
    ~TimeZoneScope() {
        if (hadOld_)
            setenv("TZ", old_.c_str(), 1);
        else
            unsetenv("TZ");
        tzset();
    }

  private:
    std::string old_;
    bool hadOld_ = false;
};

// Captures what the log writes while it lives, with the threshold raised to DEVEL.
class LogCapture {
  public:
    LogCapture();
    ~LogCapture();
    std::string text();
    bool contains(const std::string& fragment) {
        return text().find(fragment) != std::string::npos;
    }

  private:
    std::string path_;
    void* stream_;
};

} // namespace orvane::test
