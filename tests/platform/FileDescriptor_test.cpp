// Opening a source to read it: whatever stands under its name, the open answers at once, and
// only a regular file is opened.
#include "platform/FileDescriptor.h"
#include "support/TestSupport.h"

#include <cerrno>
#include <cstring>
#include <fcntl.h>
#include <functional>
#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/sysmacros.h>
#include <sys/un.h>
#include <unistd.h>

namespace orvane {
namespace {

struct OpenCase {
    const char* name;
    std::function<bool(const std::string& path, const std::string& regular)> make;
    int error; // 0: opened
};

const OpenCase kCases[] = {
    {"regular file",
     [](const std::string& path, const std::string&) {
         test::writeFile(path, "bytes");
         return true;
     },
     0},
    {"link to a regular file",
     [](const std::string& path, const std::string& regular) {
         return symlink(regular.c_str(), path.c_str()) == 0;
     },
     ELOOP},
    {"FIFO without a writer",
     [](const std::string& path, const std::string&) { return mkfifo(path.c_str(), 0644) == 0; },
     EINVAL},
    {"folder",
     [](const std::string& path, const std::string&) { return mkdir(path.c_str(), 0755) == 0; },
     EINVAL},
    {"socket",
     [](const std::string& path, const std::string&) {
         sockaddr_un address = {};
         address.sun_family = AF_UNIX;
         std::snprintf(address.sun_path, sizeof address.sun_path, "%s", path.c_str());
         const int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
         const bool bound = bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0;
         close(fd);
         return bound;
     },
     ENXIO},
    {"character device",
     [](const std::string& path, const std::string&) {
         return mknod(path.c_str(), S_IFCHR | 0666, makedev(1, 3)) == 0;
     },
     EINVAL},
};

TEST(OpenSourceFileTest, OpensRegularFilesAloneAndNeverWaits) {
    test::TempDir tmp;
    const std::string regular = tmp / "regular";
    test::writeFile(regular, "bytes");
    for (const OpenCase& c : kCases) {
        SCOPED_TRACE(c.name);
        const std::string path = tmp / ("item-" + std::to_string(&c - kCases));
        if (!c.make(path, regular)) {
            std::cerr << "[   NOTE   ] could not make a " << c.name << " here\n";
            continue;
        }
        struct stat opened = {};
        errno = 0;
        const UniqueFd fd = openSourceFile(AT_FDCWD, path.c_str(), &opened);
        if (c.error == 0) {
            ASSERT_GE(fd.get(), 0) << std::strerror(errno);
            EXPECT_TRUE(S_ISREG(opened.st_mode));
            EXPECT_EQ(fcntl(fd.get(), F_GETFL) & O_NONBLOCK, 0) << "reads would not wait";
            char bytes[8];
            EXPECT_EQ(readFully(fd.get(), bytes, sizeof bytes), 5);
        } else {
            EXPECT_LT(fd.get(), 0);
            EXPECT_EQ(errno, c.error) << std::strerror(errno);
        }
    }
}

} // namespace
} // namespace orvane
