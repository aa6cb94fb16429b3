// Runs many small entries through the window's run control and compares the rate with the
// command line's on the same corpus; measures the time from the end of the worker's run
// until the report is shown with its tables filled, and the peak memory. With --screenshots
// it also saves pictures of the main window, a run in progress and the report.
//
// Usage: orvane_gui_bench [--entries N] [--work DIR] [--runs R] [--screenshots DIR]
//                         [--only window|cli]

#include "BenchSupport.h"
#include "app/Controller.h"
#include "base/RunStatus.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "ui/DesktopApp.h"
#include "ui/KelWell.h"

#include <QApplication>
#include <QFile>
#include <QHeaderView>
#include <QProgressBar>
#include <QPushButton>
#include <QTabWidget>
#include <QTableView>
#include <QTimer>
#include <algorithm>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <functional>
#include <mutex>
#include <sys/resource.h>
#include <sys/wait.h>
#include <thread>
#include <unistd.h>
#include <utime.h>

namespace fs = std::filesystem;
using orvane::bench::Clock;
using orvane::bench::seconds;
using namespace orvane;

namespace {

// N small files in folders of 1000, dated over a few years so that they spread over many
// date folders.
void makeCorpus(const fs::path& root, int entries) {
    if (fs::exists(root / ".complete"))
        return;
    fs::remove_all(root);
    std::fprintf(stderr, "making %d files under %s\n", entries, root.c_str());
    for (int i = 0; i < entries; ++i) {
        const fs::path folder = root / ("folder" + std::to_string(i / 1000));
        if (i % 1000 == 0)
            fs::create_directories(folder);
        const fs::path file = folder / ("IMG_" + std::to_string(i) + ".JPG");
        std::ofstream(file) << "entry " << i << "\n";
        struct utimbuf times;
        times.actime = times.modtime = 1500000000 + static_cast<time_t>(i) * 1700;
        utime(file.c_str(), &times);
    }
    std::ofstream(root / ".complete") << "\n";
}

struct GuiFigures {
    double run;         // from the press of the button to the worker's end
    double reportShown; // from the worker's end to the report shown with its tables filled
    double reportFill;  // of which filling the window (the rest waits for the next tick)
};

GuiFigures runWindow(DesktopApp& app, const fs::path& source, const fs::path& destination,
                     const fs::path& screenshots) {
    fs::create_directories(destination);
    MainWindow& window = app.mainWindow();
    ReportWindow& report = app.reportWindow();
    report.hide();
    app.controller().setFromPaths({source.string()});
    app.controller().setToPath(destination.string());

    // A watcher notes when the worker has finished: filesDone at its final value.
    std::atomic<bool> watching{true};
    std::atomic<int64_t> endTicks{0};
    RunStatus& status = app.controller().status();
    const auto start = Clock::now();
    window.goButton()->click();
    const int target = window.progressMeter()->maximum();
    std::thread watcher([&] {
        while (watching) {
            {
                std::lock_guard lock(status.statusLock);
                if (status.filesDone == target || status.mergeState == kMergeCancelled) {
                    endTicks = (Clock::now() - start).count();
                    return;
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
    });
    // The main thread waits in an event loop, as the application's does: a loop that polled
    // would take a processor from the worker.
    bool grabbed = screenshots.empty();
    bench::waitUntil([&] {
        if (!grabbed && window.progressMeter()->value() > target / 3) {
            window.grab().save(QString::fromStdString((screenshots / "2-run.png").string()));
            grabbed = true;
        }
        return report.isVisible();
    });
    // The tables fill when they are laid out and drawn: make that happen now.
    for (ReportTable table : {ReportTable::Copied, ReportTable::Skipped, ReportTable::Errors}) {
        QTableView* view = report.tableView(table);
        view->model()->rowCount();
        view->grab();
    }
    QApplication::processEvents();
    const auto shown = Clock::now();
    watching = false;
    watcher.join();
    const auto end = start + Clock::duration(endTicks.load());
    // Filling the window once more, alone: its share of the time until the report was shown.
    const auto fillStart = Clock::now();
    app.reportController().showReport();
    for (ReportTable table : {ReportTable::Copied, ReportTable::Skipped, ReportTable::Errors})
        report.tableView(table)->grab();
    QApplication::processEvents();
    const double fill = seconds(Clock::now() - fillStart);
    return {seconds(end - start), seconds(shown - end), fill};
}

long peakMemoryKiB() {
    struct rusage usage;
    getrusage(RUSAGE_SELF, &usage);
    return usage.ru_maxrss;
}

void saveReportShots(ReportWindow& report, const fs::path& dir) {
    report.grab().save(QString::fromStdString((dir / "3-report.png").string()));
    report.tabView()->setCurrentIndex(1);
    report.grab().save(QString::fromStdString((dir / "4-report-copied.png").string()));
    report.tabView()->setCurrentIndex(3);
    report.grab().save(QString::fromStdString((dir / "5-report-errors.png").string()));
    report.tabView()->setCurrentIndex(0);
}

} // namespace

int main(int argc, char** argv) {
    int entries = 100000;
    int runs = 3;
    fs::path work = fs::temp_directory_path() / "orvane-gui-bench";
    fs::path screenshots;
    std::string only;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--entries")
            entries = std::stoi(argv[i + 1]);
        else if (option == "--work")
            work = argv[i + 1];
        else if (option == "--runs")
            runs = std::stoi(argv[i + 1]);
        else if (option == "--screenshots")
            screenshots = argv[i + 1];
        else if (option == "--only")
            only = argv[i + 1];
    }
    const std::string orvane = (fs::path(argv[0]).parent_path() / "orvane").string();
    const fs::path source = work / ("corpus-" + std::to_string(entries));
    makeCorpus(source, entries);
    const fs::path config = work / "settings";
    fs::create_directories(config);
    setenv("ORVANE_CONFIG_DIR", config.c_str(), 1);
    setenv("TZ", "UTC", 1);
    tzset();

    QApplication application(argc, argv);
    UserDefaults defaults(config / "preferences.json");
    bench::writeSettings(defaults, false);
    DesktopApp app(defaults, (work / "recently-used.xbel").string());
    app.mainWindow().show();
    int waited = 0;
    bench::waitUntil([&] { return ++waited >= 20; });
    if (!screenshots.empty()) {
        fs::create_directories(screenshots);
        app.controller().setFromPaths({source.string()});
        app.controller().setToPath((work / "Organized").string());
        app.mainWindow().grab().save(QString::fromStdString((screenshots / "1-main.png").string()));
    }

    // Each run writes into a fresh folder; all outputs are removed only at the end.
    const fs::path outputs = work / "outputs";
    fs::remove_all(outputs);
    std::vector<double> cliRates, guiRates, reportTimes, fillTimes;
    const auto commandLine = [&](const fs::path& destination) {
        fs::create_directories(destination);
        return bench::runCommandLine(
            orvane, config,
            {"organize", "--quiet", "--no-exif", source.string(), destination.string()});
    };
    for (int run = 0; run < runs; ++run) {
        // Which goes first alternates: A B, B A, ...
        const fs::path cliOut = outputs / ("cli-" + std::to_string(run));
        const fs::path guiOut = outputs / ("gui-" + std::to_string(run));
        double cli = 1e9;
        GuiFigures gui{1e9, 0, 0};
        // Each run starts with the previous run's copies written out, so that their writing
        // does not slow the run that follows.
        if (run % 2 == 0 && only != "window") {
            sync();
            cli = commandLine(cliOut);
        }
        if (only != "cli") {
            sync();
            gui = runWindow(app, source, guiOut, run == 0 ? screenshots : fs::path());
        }
        if (run % 2 == 1 && only != "window") {
            sync();
            cli = commandLine(cliOut);
        }
        if (run == 0 && !screenshots.empty())
            saveReportShots(app.reportWindow(), screenshots);
        cliRates.push_back(entries / cli);
        guiRates.push_back(entries / gui.run);
        reportTimes.push_back(gui.reportShown);
        fillTimes.push_back(gui.reportFill);
        std::printf("run %d: command line %.0f entries/s, window %.0f entries/s, "
                    "report shown %.3f s after the end (filling it %.3f s)\n",
                    run + 1, cliRates.back(), guiRates.back(), gui.reportShown, gui.reportFill);
        std::fflush(stdout);
    }
    auto median = [](std::vector<double> v) {
        std::sort(v.begin(), v.end());
        return v[v.size() / 2];
    };
    std::printf(
        "median over %d runs of %d entries: command line %.0f entries/s, window %.0f "
        "entries/s (ratio %.3f), report shown %.3f s after the end (filling it %.3f s), peak "
        "memory %.1f MiB\n",
        runs, entries, median(cliRates), median(guiRates), median(guiRates) / median(cliRates),
        median(reportTimes), median(fillTimes), peakMemoryKiB() / 1024.0);
    fs::remove_all(outputs);
    return 0;
}
