#include "dates/MappedFileGuard.h"

#include <cerrno>
#include <csignal>
#include <cstdint>
#include <sys/mman.h>
#include <unistd.h>

namespace orvane {
namespace {

thread_local MappedFileGuard* tActiveGuard = nullptr;
struct sigaction gPreviousAction;
uintptr_t gPageSize = 4096;

} // namespace

struct MappedFileGuardAccess {
    // Answers whether the fault at `address` was in the range of this thread's guard and its
    // page could be replaced, so that the faulting read can simply be tried again.
    static bool repair(uintptr_t address) {
        MappedFileGuard* guard = tActiveGuard;
        for (; guard; guard = guard->outer_) {
            if (address >= reinterpret_cast<uintptr_t>(guard->begin_) &&
                address < reinterpret_cast<uintptr_t>(guard->end_))
                break;
        }
        if (!guard)
            return false;
        void* page = reinterpret_cast<void*>(address & ~(gPageSize - 1));
        void* zeros =
            mmap(page, gPageSize, PROT_READ, MAP_PRIVATE | MAP_ANONYMOUS | MAP_FIXED, -1, 0);
        if (zeros == MAP_FAILED)
            return false;
        guard->faulted_ = true;
        return true;
    }
};

namespace {

void onBusError(int signal, siginfo_t* info, void* context) {
    const int savedErrno = errno;
    if (MappedFileGuardAccess::repair(reinterpret_cast<uintptr_t>(info->si_addr))) {
        errno = savedErrno;
        return;
    }
    errno = savedErrno;
    const auto previous = gPreviousAction.sa_handler;
    if (previous == SIG_DFL || previous == SIG_IGN) {
        // Not ours and nobody else's: put the old disposition back; the faulting read runs
        // again on return and the fault then takes its default course.
        sigaction(SIGBUS, &gPreviousAction, nullptr);
    } else if (gPreviousAction.sa_flags & SA_SIGINFO) {
        gPreviousAction.sa_sigaction(signal, info, context);
    } else {
        previous(signal);
    }
}

bool installBusErrorHandler() {
    const long pageSize = sysconf(_SC_PAGESIZE);
    if (pageSize > 0)
        gPageSize = static_cast<uintptr_t>(pageSize);
    struct sigaction action = {};
    action.sa_sigaction = onBusError;
    // SA_NODEFER: the handler returns normally, and no signal stays blocked afterwards.
    action.sa_flags = SA_SIGINFO | SA_NODEFER | SA_RESTART;
    sigemptyset(&action.sa_mask);
    return sigaction(SIGBUS, &action, &gPreviousAction) == 0;
}

} // namespace

MappedFileGuard::MappedFileGuard(const void* begin, size_t length)
    : begin_(static_cast<const char*>(begin)), outer_(tActiveGuard) {
    static const bool installed = installBusErrorHandler();
    (void)installed;
    // The mapping reaches to the end of its last page.
    const uintptr_t start = reinterpret_cast<uintptr_t>(begin);
    const uintptr_t pages = (length + gPageSize - 1) & ~(gPageSize - 1);
    end_ = reinterpret_cast<const char*>(start + pages);
    tActiveGuard = this;
}

MappedFileGuard::~MappedFileGuard() {
    tActiveGuard = outer_;
}

} // namespace orvane
