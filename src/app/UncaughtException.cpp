#include "app/UncaughtException.h"

#include "base/Log.h"
#include "base/StringHelpers.h"

#include <cstdlib>
#include <cxxabi.h>
#include <filesystem>
#include <memory>
#include <system_error>
#include <typeinfo>

namespace orvane {
namespace {

std::string demangled(const char* mangled) {
    int status = 0;
    std::unique_ptr<char, decltype(&std::free)> name(
        abi::__cxa_demangle(mangled, nullptr, nullptr, &status), &std::free);
    return status == 0 && name ? std::string(name.get()) : std::string(mangled);
}

std::string quoted(const std::string& text) {
    return "\"" + safeCString(text) + "\"";
}

[[noreturn]] void terminateHandler() {
    // std::terminate also ends the process for reasons other than an exception (a thread
    // object destroyed while running): those have nothing to report here.
    if (std::exception_ptr exception = std::current_exception())
        logUncaughtException(exception);
    std::abort();
}

} // namespace

void logUncaughtException(const std::string& name, const std::string& reason,
                          const std::string& userInfo) {
    logMessage(LOG_WARN, "UNCAUGHT EXCEPTION: %s (%s) (userinfo='%s')", safeCString(name).c_str(),
               safeCString(reason).c_str(), safeCString(userInfo).c_str());
}

void logUncaughtException(const std::exception_ptr& exception) {
    if (!exception)
        return;
    // The details beyond the message, described like a dictionary; "{}" when there are none.
    try {
        std::rethrow_exception(exception);
    } catch (const std::filesystem::filesystem_error& e) {
        logUncaughtException(demangled(typeid(e).name()), e.what(),
                             "{code = " + std::to_string(e.code().value()) +
                                 "; path1 = " + quoted(e.path1().string()) +
                                 "; path2 = " + quoted(e.path2().string()) + ";}");
    } catch (const std::system_error& e) {
        logUncaughtException(demangled(typeid(e).name()), e.what(),
                             "{code = " + std::to_string(e.code().value()) +
                                 "; category = " + e.code().category().name() + ";}");
    } catch (const std::exception& e) {
        logUncaughtException(demangled(typeid(e).name()), e.what(), "{}");
    } catch (...) {
        const std::type_info* type = abi::__cxa_current_exception_type();
        logUncaughtException(type ? demangled(type->name()) : "unknown exception", "", "{}");
    }
}

void installUncaughtExceptionHandler() {
    std::set_terminate(terminateHandler);
}

} // namespace orvane
