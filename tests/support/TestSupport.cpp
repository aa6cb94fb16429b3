#include "support/TestSupport.h"

#include "base/Log.h"
#include "platform/FileCopier.h"

#include <cstdio>
#include <cstdlib>
#include <fcntl.h>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <stdexcept>
#include <unistd.h>

namespace orvane::test {

TempDir::TempDir() {
    std::string pattern = std::filesystem::temp_directory_path().string() + "/orvane-test-XXXXXX";
    if (!mkdtemp(pattern.data()))
        throw std::runtime_error("mkdtemp failed");
    path_ = pattern;
}

TempDir::~TempDir() {
    static_cast<void>(removeTree(path_)); // best effort: a test's leftovers are not its result
}

void writeFile(const std::string& path, const std::string& contents, time_t mtime,
               long nanoseconds) {
    std::filesystem::create_directories(std::filesystem::path(path).parent_path());
    std::ofstream out(path, std::ios::binary);
    out << contents;
    out.close();
    if (mtime != 0) {
        struct timespec times[2] = {{mtime, nanoseconds}, {mtime, nanoseconds}};
        utimensat(AT_FDCWD, path.c_str(), times, 0);
    }
}

Corpus findCorpus(const std::string& name) {
    const char* shared = std::getenv("ORVANE_TESTDATA_DIR");
    const std::string full = std::string(shared ? shared : ORVANE_TESTDATA_DIR) + "/" + name;
    const std::string sample = std::string(ORVANE_REPO_DIR) + "/tests/data/corpus/" + name;
    const std::string searched = full + " and " + sample;
    if (exists(full + "/expected.tsv"))
        return {full, true, searched};
    if (exists(sample + "/expected.tsv"))
        return {sample, false, searched};
    return {"", false, searched};
}

std::string readFile(const std::string& path) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

bool exists(const std::string& path) {
    struct stat st;
    return ::lstat(path.c_str(), &st) == 0;
}

struct stat statOf(const std::string& path) {
    struct stat st = {};
    ::stat(path.c_str(), &st);
    return st;
}

time_t localTime(int year, int month, int day, int hour, int minute, int second) {
    struct tm t = {};
    t.tm_year = year - 1900;
    t.tm_mon = month - 1;
    t.tm_mday = day;
    t.tm_hour = hour;
    t.tm_min = minute;
    t.tm_sec = second;
    t.tm_isdst = -1;
    return mktime(&t);
}

LogCapture::LogCapture() {
    char pattern[] = "/tmp/orvane-log-XXXXXX";
    int fd = mkstemp(pattern);
    path_ = pattern;
    stream_ = fdopen(fd, "w+");
    setLogStream(static_cast<FILE*>(stream_));
    configureLogging(2);
}

LogCapture::~LogCapture() {
    setLogStream(nullptr);
    configureLogging(0);
    std::fclose(static_cast<FILE*>(stream_));
    ::unlink(path_.c_str());
}

std::string LogCapture::text() {
    std::fflush(static_cast<FILE*>(stream_));
    return readFile(path_);
}

} // namespace orvane::test
