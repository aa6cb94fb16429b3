#include "base/Log.h"

#include "base/Paths.h"

#include <cerrno>
#include <cstdarg>
#include <cstring>
#include <ctime>
#include <memory>
#include <mutex>
#include <sys/stat.h>
#include <unistd.h>

namespace orvane {
namespace {

constexpr size_t kMessageBufferSize = 4096;

int gThreshold = LOG_NOTICE;
bool gTracking = false;
std::FILE* gLogFile = nullptr;
std::FILE* gStream = nullptr; // null means standard output
std::unique_ptr<std::mutex> gLogLock;

// Before createLogLock only the main thread exists, so output needs no lock then.
class OptionalLock {
  public:
    OptionalLock() : mutex_(gLogLock.get()) {
        if (mutex_)
            mutex_->lock();
    }
    ~OptionalLock() {
        if (mutex_)
            mutex_->unlock();
    }

  private:
    std::mutex* mutex_;
};

std::FILE* outputStream() {
    return gStream ? gStream : stdout;
}

bool ensureLogFile() {
    if (!gLogFile)
        openLogFile();
    return gLogFile != nullptr;
}

} // namespace

const char* logLevelName(int level) {
    static const char* const kNames[] = {"EMERG",  "ALERT", "CRIT",  "ERR",  "WARN",
                                         "NOTICE", "INFO",  "DEBUG", "DEVEL"};
    if (level < 0 || level > LOG_DEVEL)
        return "UNKNOWN";
    return kNames[level];
}

std::string logFilePath() {
    return homeDirectory() + "/Desktop/Orvane.log";
}

void openLogFile() {
    const std::string path = logFilePath();
    gLogFile = std::fopen(path.c_str(), "a");
    if (!gLogFile && errno == ENOENT) {
        // Many Linux homes have no Desktop folder: make it, as the tracking-mode alert
        // promises a log file there.
        ::mkdir((homeDirectory() + "/Desktop").c_str(), 0755);
        gLogFile = std::fopen(path.c_str(), "a");
    }
    if (!gLogFile) {
        int err = errno;
        std::fprintf(stderr, "ORVANE ERROR: Couldn't open debug file %s for writing: %d-%s\n",
                     path.c_str(), err, std::strerror(err));
    }
}

void createLogLock() {
    if (!gLogLock)
        gLogLock = std::make_unique<std::mutex>();
}

void logMessage(int level, const char* format, ...) {
    const time_t now = time(nullptr);
    OptionalLock lock;
    // Formatting is skipped below the threshold: the output would be empty anyway.
    if (level > gThreshold)
        return;

    char message[kMessageBufferSize];
    va_list args;
    va_start(args, format);
    std::vsnprintf(message, sizeof message, format, args);
    va_end(args);

    char timeText[64];
    struct tm local;
    localtime_r(&now, &local);
    asctime_r(&local, timeText);
    timeText[std::strcspn(timeText, "\n")] = '\0';

    const int pid = static_cast<int>(getpid());
    const char* name = logLevelName(level);
    std::fprintf(outputStream(), "%s Orvane[%d] %s: %s\n", timeText, pid, name, message);
    if (gTracking && ensureLogFile()) {
        std::fprintf(gLogFile, "%s Orvane[%d] %s: %s\n", timeText, pid, name, message);
        std::fflush(gLogFile);
    }
}

void logText(int level, const std::string& text) {
    OptionalLock lock;
    if (level > gThreshold)
        return;
    std::fwrite(text.data(), 1, text.size(), outputStream());
    if (gTracking && ensureLogFile()) {
        std::fwrite(text.data(), 1, text.size(), gLogFile);
        std::fflush(gLogFile);
    }
}

void configureLogging(long debugPreference) {
    if (debugPreference == 1) {
        gThreshold = LOG_DEVEL;
        gTracking = true;
    } else if (debugPreference == 2) {
        gThreshold = LOG_DEVEL;
        gTracking = false;
    } else {
        gThreshold = LOG_NOTICE;
        gTracking = false;
    }
}

int logThreshold() {
    return gThreshold;
}
bool trackingEnabled() {
    return gTracking;
}
void setLogStream(std::FILE* stream) {
    gStream = stream;
}

void resetLoggingForTesting() {
    OptionalLock lock;
    gThreshold = LOG_NOTICE;
    gTracking = false;
    if (gLogFile) {
        std::fclose(gLogFile);
        gLogFile = nullptr;
    }
}

} // namespace orvane
