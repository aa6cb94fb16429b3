#include "cli/Signals.h"

#include <atomic>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <pthread.h>
#include <thread>
#include <unistd.h>

namespace orvane::cli::stop_signals {
namespace {

std::atomic<int> gFirst{0};
std::atomic<int> gCount{0};
std::atomic<bool> gTermDeadlineSet{false};
std::atomic<long long> gTermDeadline{0}; // CLOCK_MONOTONIC nanoseconds
std::atomic<bool> gFinal{false};

long long monotonicNow() {
    struct timespec now;
    clock_gettime(CLOCK_MONOTONIC, &now);
    return static_cast<long long>(now.tv_sec) * 1000000000LL + now.tv_nsec;
}

sigset_t stopSignalSet() {
    sigset_t set;
    sigemptyset(&set);
    for (int signal : {SIGINT, SIGTERM, SIGHUP})
        sigaddset(&set, signal);
    return set;
}

// Run by the handler or by the watching thread; async-signal-safe.
void onStopSignal(int signal) {
    int none = 0;
    gFirst.compare_exchange_strong(none, signal);
    if (gCount.fetch_add(1) >= 2)
        _exit(exitStatus(gFirst.load())); // the process did not react: stop on the spot
    // The deadline is set once: later signals neither move it nor take it back.
    if (signal == SIGTERM && !gTermDeadlineSet.exchange(true)) {
        gTermDeadline.store(monotonicNow() + kTermDeadlineSeconds * 1000000000LL);
        alarm(kTermDeadlineSeconds);
    }
}

// The deadline after SIGTERM passed: whatever the process waits for (a reader that never
// returns, a device that does not answer), it ends now.
void onTermDeadline(int) {
    _exit(exitStatus(gFirst.load()));
}

// Takes the stop signals for the whole process, so that they are heard, and the deadline
// kept, even while every other thread waits in the kernel for a device that stopped
// answering (a thread in such a wait runs no handler).
[[noreturn]] void watchStopSignals() {
    const sigset_t stops = stopSignalSet();
    const struct timespec tick = {0, 100 * 1000000L};
    for (;;) {
        const int signal = sigtimedwait(&stops, nullptr, &tick);
        if (gTermDeadlineSet.load() && monotonicNow() >= gTermDeadline.load())
            _exit(exitStatus(gFirst.load()));
        if (signal <= 0)
            continue;
        onStopSignal(signal);
        if (gFinal.load()) {
            // Past finalStatus: the signal's default action, as for a thread that takes it.
            std::signal(signal, SIG_DFL);
            sigset_t one;
            sigemptyset(&one);
            sigaddset(&one, signal);
            pthread_sigmask(SIG_UNBLOCK, &one, nullptr);
            raise(signal);
        }
    }
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
    // This thread and those it starts from now on leave the stop signals to the watching
    // thread; threads started before keep the handler.
    const sigset_t stops = stopSignalSet();
    pthread_sigmask(SIG_BLOCK, &stops, nullptr);
    std::thread(watchStopSignals).detach();
}

int finalStatus(int status) {
    // The default action first, then the look: a signal comes either before the look, which
    // sees it, or after the default action is back, which ends the process by it.
    gFinal.store(true);
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
