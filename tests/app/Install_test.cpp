#include "app/Resources.h"
#include "support/TestSupport.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>
#include <regex>
#include <set>
#include <sys/stat.h>
#include <sys/wait.h>

namespace orvane {
namespace {

namespace fs = std::filesystem;

struct CommandResult {
    int status = -1;
    std::string output; // standard output and standard error
};

CommandResult runCommand(const std::string& command) {
    CommandResult result;
    FILE* pipe = ::popen((command + " 2>&1").c_str(), "r");
    if (!pipe)
        return result;
    std::array<char, 4096> buffer;
    size_t count;
    while ((count = std::fread(buffer.data(), 1, buffer.size(), pipe)) > 0)
        result.output.append(buffer.data(), count);
    const int status = ::pclose(pipe);
    result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
    return result;
}

std::string quoted(const std::string& text) {
    std::string out = "'";
    for (char c : text)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

// One installation into a temporary prefix, shared by the tests below.
class Installed : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        prefix_ = new test::TempDir;
        install_ = new CommandResult(runCommand(quoted(ORVANE_CMAKE_COMMAND) + " --install " +
                                                quoted(ORVANE_BUILD_DIR) + " --prefix " +
                                                quoted(prefix_->path())));
    }
    static void TearDownTestSuite() {
        delete install_;
        delete prefix_;
    }
    void SetUp() override { ASSERT_EQ(install_->status, 0) << install_->output; }
    static fs::path prefix() { return prefix_->path(); }

    static test::TempDir* prefix_;
    static CommandResult* install_;
};
test::TempDir* Installed::prefix_ = nullptr;
CommandResult* Installed::install_ = nullptr;

TEST_F(Installed, PutsEachPartWhereTheDesktopLooksForIt) {
    for (const char* relative :
         {"bin/orvane", "share/applications/org.orvane.Orvane.desktop",
          "share/icons/hicolor/scalable/apps/org.orvane.Orvane.svg",
          "share/metainfo/org.orvane.Orvane.metainfo.xml", "share/orvane/Help/Help.html"})
        EXPECT_TRUE(fs::is_regular_file(prefix() / relative)) << relative;
    EXPECT_FALSE(fs::exists(prefix() / "share/orvane/orvane.qrc"));
    EXPECT_FALSE(fs::exists(prefix() / "share/orvane/samples"));

    const auto run = runCommand(quoted(prefix() / "bin/orvane") + " organize --help");
    EXPECT_EQ(run.status, 0) << run.output;
#ifdef ORVANE_WITH_DESKTOP
    // The window's program, off the PATH, answers the command line as well.
    const auto window =
        runCommand(quoted(prefix() / "libexec/orvane/orvane-desktop") + " --version");
    EXPECT_EQ(window.status, 0) << window.output;
    EXPECT_EQ(window.output.rfind("orvane ", 0), 0u) << window.output;
#endif
}

#ifdef ORVANE_WITH_DESKTOP
// `orvane` without a verb becomes the window's program of its own tree (same process, same
// arguments); a copy of `orvane` with none beside it says so and fails.
TEST_F(Installed, TheCommandLineStartsTheWindowsProgramOfItsTree) {
    test::TempDir home;
    const std::string environment =
        "env QT_QPA_PLATFORM=offscreen HOME=" + quoted(home.path()) +
        " ORVANE_CONFIG_DIR=" + quoted(home / "config") +
        " XDG_RUNTIME_DIR=" + quoted(home.path()) +
        " DBUS_SYSTEM_BUS_ADDRESS=unix:path=/nonexistent/orvane-test-bus ";
    ::chmod(home.path().c_str(), 0700);
    const auto started = runCommand(
        environment + quoted(prefix() / "bin/orvane") + " >/dev/null 2>&1 & pid=$!; " +
        "for i in $(seq 400); do exe=$(readlink /proc/$pid/exe); " +
        "case $exe in *-desktop) break;; esac; sleep 0.05; done; kill -9 $pid; echo \"$exe\"");
    EXPECT_EQ(started.output, (prefix() / "libexec/orvane/orvane-desktop").string() + "\n");

    const fs::path lone = fs::path(home.path()) / "lone/bin/orvane";
    fs::create_directories(lone.parent_path());
    std::error_code linked;
    fs::create_hard_link(prefix() / "bin/orvane", lone, linked);
    if (linked)
        fs::copy_file(prefix() / "bin/orvane", lone);
    const auto failed = runCommand(environment + quoted(lone));
    EXPECT_EQ(failed.status, 1);
    EXPECT_EQ(failed.output, "orvane: cannot start the window: " + home / "lone/libexec/orvane" +
                                 "/orvane-desktop: No such file or directory\n");
}
#endif

TEST_F(Installed, DesktopEntryAndMetainfoPassTheirValidators) {
    const auto desktop =
        runCommand("desktop-file-validate " +
                   quoted(prefix() / "share/applications/org.orvane.Orvane.desktop"));
    EXPECT_EQ(desktop.status, 0) << desktop.output;
    EXPECT_EQ(desktop.output, "") << "warnings count too";

    const auto metainfo =
        runCommand("appstreamcli validate --no-net " +
                   quoted(prefix() / "share/metainfo/org.orvane.Orvane.metainfo.xml"));
    EXPECT_EQ(metainfo.status, 0) << metainfo.output;

    const std::string entry =
        test::readFile(prefix() / "share/applications/org.orvane.Orvane.desktop");
    EXPECT_NE(entry.find("\nExec=orvane %F\n"), std::string::npos);
    for (const char* type :
         {"inode/directory;", "image/jpeg;", "image/tiff;", "image/x-canon-cr2;",
          "image/x-nikon-nef;", "image/x-adobe-dng;", "video/mp4;", "video/quicktime;"})
        EXPECT_NE(entry.find(type), std::string::npos) << type;
}

TEST_F(Installed, TheInstalledProgramFindsItsOwnResources) {
    for (const char* program : {"bin/orvane", "libexec/orvane/orvane-desktop"}) {
        const auto folders = resourceFolders(prefix() / program);
        EXPECT_EQ(pathForResource("Help", "html", "Help", folders),
                  prefix() / "share/orvane/Help/Help.html")
            << program;
        EXPECT_EQ(pathForResource("help", "css", "Help", folders),
                  prefix() / "share/orvane/Help/help.css")
            << program;
    }
    EXPECT_EQ(desktopProgram(prefix() / "bin/orvane"), prefix() / "libexec/orvane/orvane-desktop");
}

// Every page the help links to is installed, and every anchor it names exists.
TEST_F(Installed, HelpLinksLeadToInstalledPages) {
    const fs::path help = prefix() / "share/orvane/Help";
    static const std::regex link(R"re((?:href|src)="([^"]*)")re");
    static const std::regex anchor(R"re(id="([^"]*)")re");
    std::set<fs::path> reached = {"Help.html"};
    std::vector<fs::path> pending = {"Help.html"};
    while (!pending.empty()) {
        const fs::path page = pending.back();
        pending.pop_back();
        const std::string text = test::readFile(help / page);
        ASSERT_FALSE(text.empty()) << page;
        for (std::sregex_iterator it(text.begin(), text.end(), link), end; it != end; ++it) {
            std::string target = (*it)[1];
            if (target.rfind("http", 0) == 0 || target.rfind("mailto:", 0) == 0)
                continue;
            std::string fragment;
            if (auto hash = target.find('#'); hash != std::string::npos) {
                fragment = target.substr(hash + 1);
                target.erase(hash);
            }
            const fs::path file = target.empty() ? page : fs::path(target);
            ASSERT_TRUE(fs::is_regular_file(help / file)) << page << " links to " << target;
            if (!fragment.empty()) {
                const std::string linked = test::readFile(help / file);
                EXPECT_NE(linked.find("id=\"" + fragment + "\""), std::string::npos)
                    << page << " links to " << file << "#" << fragment;
            }
            if (file.extension() == ".html" && reached.insert(file).second)
                pending.push_back(file);
        }
    }
    for (const char* page : {"sources.html", "folders.html", "dates.html", "rules.html",
                             "report.html", "tracking.html", "commandline.html", "updates.html"})
        EXPECT_TRUE(reached.count(page)) << page << " is not reachable from Help.html";
}

} // namespace
} // namespace orvane
