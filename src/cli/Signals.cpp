#include "cli/Signals.h"

#include <atomic>
#include <csignal>
#include <unistd.h>

namespace orvane::cli::stop_signals {
namespace {

std::atomic<int> gFirst{0};
std::atomic<int> gCount{0};
std::atomic<bool> gTermDeadlineSet{false};

void onStopSignal(int signal) {
    int none = 0;
    gFirst.compare_exchange_strong(none, signal);
    if (gCount.fetch_add(1) >= 2)
        _exit(exitStatus(gFirst.load())); // the process did not react: stop on the spot
    // The deadline is set once: later signals neither move it nor take it back.
    if (signal == SIGTERM && !gTermDeadlineSet.exchange(true))
        alarm(kTermDeadlineSeconds);
}

// The deadline after SIGTERM passed: whatever the process waits for (a reader that never
// returns, a device that does not answer), it ends now.
void onTermDeadline(int) {
    _exit(exitStatus(gFirst.load()));
}

} // namespace

void install() {
    struct sigaction action = {};
    action.sa_handler = onStopSignal;
    action.sa_flags = SA_RESTART; // the worker's file operations go on undisturbed
    sigemptyset(&action.sa_mask);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaction(signal, &action, nullptr);
    struct sigaction deadline = {};
    deadline.sa_handler = onTermDeadline;
    sigemptyset(&deadline.sa_mask);
    sigaction(SIGALRM, &deadline, nullptr);
}

int finalStatus(int status) {
    // The default action first, then the look: a signal comes either before the look, which
    // sees it, or after the default action is back, which ends the process by it.
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        std::signal(signal, SIG_DFL);
    const int signal = gFirst.load();
    return signal ? exitStatus(signal) : status;
}

int first() {
    return gFirst.load();
}

int count() {
    return gCount.load();
}

} // namespace orvane::cli::stop_signals
