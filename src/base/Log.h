#pragma once

#include <cstdio>
#include <string>

// Process-wide logging: one line per message on standard output and, in tracking
// mode, appended to ~/Desktop/Orvane.log.
namespace orvane {

enum LogLevel : int {
    LOG_EMERG = 0,
    LOG_ALERT = 1,
    LOG_CRIT = 2,
    LOG_ERR = 3,
    LOG_WARN = 4,
    LOG_NOTICE = 5,
    LOG_INFO = 6,
    LOG_DEBUG = 7,
    LOG_DEVEL = 8,
};

// The name a line shows for a level: "EMERG" ... "DEVEL", else "UNKNOWN".
const char* logLevelName(int level);

void logMessage(int level, const char* format, ...) __attribute__((format(printf, 2, 3)));
void logText(int level, const std::string& text);
void openLogFile();
void createLogLock();

// Sets the threshold and tracking flag from the integer "debug" preference.
void configureLogging(long debugPreference);

int logThreshold();
bool trackingEnabled();
std::string logFilePath();

// Where log lines go instead of standard output; the command line sends them to
// standard error so that its report on standard output stays machine-readable.
void setLogStream(std::FILE* stream);

// Test hooks: restore the initial state and close the log file.
void resetLoggingForTesting();

} // namespace orvane
