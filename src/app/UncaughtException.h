#pragma once

#include <exception>
#include <string>

namespace orvane {

// Logs an exception that nothing else caught, at WARN:
// "UNCAUGHT EXCEPTION: <name> (<reason>) (userinfo='<details>')".
void logUncaughtException(const std::exception_ptr& exception);
void logUncaughtException(const std::string& name, const std::string& reason,
                          const std::string& userInfo);

// Makes std::terminate log the exception that caused it before the process aborts.
// Installing it again has no further effect.
void installUncaughtExceptionHandler();

} // namespace orvane
