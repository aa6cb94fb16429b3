// The preview of a run on the benchmark corpus: the time from the press of "Preview…" until
// the window is open and painted with the plan, against the command line's dry run (the
// same plan printed as text) on the same corpus, run alternately; then the smoothness of
// scrolling the expanded tree from top to bottom with thumbnails loading. The window has its
// checkboxes and its timeline; the bars are 2 s until the window is painted and 16 ms a
// frame of scrolling.
//
// Usage: orvane_preview_bench [--corpus DIR] [--runs R] [--screenshot FILE]
//   --corpus DIR   made with /work/shared/bench/make-corpus.sh when missing (10,000 files)

#include "BenchSupport.h"
#include "app/PreviewController.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "ui/DesktopApp.h"
#include "ui/PreviewCommands.h"

#include <QApplication>
#include <QEventLoop>
#include <QPushButton>
#include <QScrollBar>
#include <QTimer>
#include <QTreeView>
#include <algorithm>
#include <chrono>
#include <cstdio>
#include <filesystem>
#include <string>
#include <sys/wait.h>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;
using orvane::bench::Clock;
using orvane::bench::seconds;
using namespace orvane;

namespace {

double median(std::vector<double> values) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

double percentile(std::vector<double> values, double p) {
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[std::min(values.size() - 1, size_t(p * values.size()))];
}

} // namespace

int main(int argc, char** argv) {
    fs::path corpus = "/tmp/orvane-bench-corpus";
    int runs = 5;
    std::string screenshot;
    for (int i = 1; i + 1 < argc; i += 2) {
        const std::string option = argv[i];
        if (option == "--corpus")
            corpus = argv[i + 1];
        else if (option == "--runs")
            runs = std::stoi(argv[i + 1]);
        else if (option == "--screenshot")
            screenshot = argv[i + 1];
    }
    if (!fs::exists(corpus / "card-A")) {
        const std::string make = "/work/shared/bench/make-corpus.sh -f " + corpus.string();
        if (std::system(make.c_str()) != 0) {
            std::fprintf(stderr, "could not make the corpus with make-corpus.sh\n");
            return 1;
        }
    }
    const fs::path work =
        fs::temp_directory_path() / ("orvane-preview-bench-" + std::to_string(getpid()));
    const fs::path destination = work / "Sorted";
    fs::create_directories(destination);
    setenv("ORVANE_CONFIG_DIR", work.c_str(), 1);

    QApplication app(argc, argv);
    UserDefaults defaults(work / "preferences.json");
    bench::writeSettings(defaults, true);
    DesktopApp desktop(defaults, (work / "recent.xbel").string());
    desktop.controller().setFromPaths({corpus.string()});
    desktop.controller().setToPath(destination.string());
    desktop.mainWindow().show();
    PreviewWindow& window = desktop.previewCommands().previewWindow();
    const std::string orvane = (fs::path(argv[0]).parent_path() / "orvane").string();

    std::vector<double> windowTimes, planTimes, cliTimes;
    for (int run = 0; run < runs; ++run) {
        const bool windowFirst = run % 2 == 0;
        for (int side = 0; side < 2; ++side) {
            if ((side == 0) == windowFirst) {
                window.hide();
                const auto start = Clock::now();
                desktop.previewController().previewClicked();
                bench::waitUntil([&] { return !desktop.previewController().planning(); });
                planTimes.push_back(seconds(Clock::now() - start));
                window.repaint();
                QCoreApplication::processEvents();
                windowTimes.push_back(seconds(Clock::now() - start));
            } else {
                cliTimes.push_back(bench::runCommandLine(
                    orvane, work,
                    {"organize", "--dry-run", corpus.string(), destination.string()}));
            }
        }
    }
    const size_t entries = desktop.previewController().plan()->entries.size();
    std::printf("plan of %zu entries, %d runs each, alternating (warm cache)\n", entries, runs);
    std::printf("  preview window, press to painted: median %.3f s\n", median(windowTimes));
    std::printf("    of which the plan made:         median %.3f s\n", median(planTimes));
    std::printf("  orvane organize --dry-run:        median %.3f s\n", median(cliTimes));
    std::printf("  ratio window / dry run:           %.2f\n",
                median(windowTimes) / median(cliTimes));
    std::printf("  bar, painted within 2 s:          %s\n",
                median(windowTimes) < 2.0 ? "met" : "MISSED");

    // Scrolling: every folder open, one page at a time from top to bottom, each step painted
    // at once; thumbnails load meanwhile for the rows shown.
    QTreeView* tree = window.tree();
    tree->expandAll();
    QCoreApplication::processEvents();
    QScrollBar* bar = tree->verticalScrollBar();
    std::vector<double> frames;
    const auto scrollStart = Clock::now();
    for (int value = 0; value <= bar->maximum(); value += std::max(1, bar->pageStep() / 3)) {
        const auto start = Clock::now();
        bar->setValue(value);
        tree->viewport()->repaint();
        QCoreApplication::processEvents();
        frames.push_back(seconds(Clock::now() - start) * 1000);
    }
    const double scrollTotal = seconds(Clock::now() - scrollStart);
    std::printf("scrolling %zu steps of a third of a page over %d rows: %.2f s\n", frames.size(),
                bar->maximum(), scrollTotal);
    std::printf("  frame ms: median %.1f, 95th percentile %.1f, worst %.1f\n", median(frames),
                percentile(frames, 0.95), percentile(frames, 1.0));
    const auto slow =
        std::count_if(frames.begin(), frames.end(), [](double ms) { return ms > 16; });
    const auto worst = std::max_element(frames.begin(), frames.end()) - frames.begin();
    std::printf("  frames over 16 ms: %td of %zu; the worst is step %td\n", slow, frames.size(),
                worst);
    std::printf("  bar, under 16 ms a frame (95th percentile): %s\n",
                percentile(frames, 0.95) < 16.0 ? "met" : "MISSED");

    // The choice buttons over the whole expanded tree: every box redrawn.
    std::vector<double> choosing;
    for (int round = 0; round < 3; ++round)
        for (const char* title : {"Select None", "Select All"}) {
            const auto start = Clock::now();
            window.chooseButton(title)->click();
            tree->viewport()->repaint();
            QCoreApplication::processEvents();
            choosing.push_back(seconds(Clock::now() - start) * 1000);
        }
    std::printf("Select None / Select All over the expanded tree: median %.1f ms, worst %.1f ms\n",
                median(choosing), percentile(choosing, 1.0));

    if (!screenshot.empty()) {
        tree->collapseAll();
        tree->expandToDepth(2);
        bar->setValue(0);
        bench::waitUntil([&] { return true; });
        // Long enough for a video's frame and a whole HEIF image decoded.
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            usleep(20000);
        }
        window.grab().save(QString::fromStdString(screenshot));
        // The end of the tree too, where the pictures of the last folders are.
        tree->expandAll();
        bar->setValue(bar->maximum());
        for (int i = 0; i < 200; ++i) {
            QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
            usleep(20000);
        }
        QString endShot = QString::fromStdString(screenshot);
        endShot.replace(".png", "-end.png");
        window.grab().save(endShot);
        // The main window offering a card (the corpus's first card stands in for one).
        desktop.cardOffers().volumeMounted({"EOS_DIGITAL", (corpus / "card-A").string()});
        desktop.mainWindow().resize(desktop.mainWindow().sizeHint());
        QCoreApplication::processEvents();
        QString mainShot = QString::fromStdString(screenshot);
        mainShot.replace(".png", "-main.png");
        desktop.mainWindow().grab().save(mainShot);
    }
    fs::remove_all(work);
    return 0;
}
