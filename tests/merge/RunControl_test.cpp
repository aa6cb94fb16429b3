#include "app/Controller.h"
#include "app/UndoLastRun.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "prefs/MatchingModes.h"
#include "prefs/PrefKeys.h"
#include "report/ReportController.h"
#include "support/ControllerRig.h"
#include "support/EntryGate.h"
#include "support/Fakes.h"
#include "support/TestSupport.h"

#include <condition_variable>
#include <gtest/gtest.h>
#include <mutex>

namespace orvane {
namespace {

using test::EntryGate;
using test::exists;
using test::writeFile;

class RunControlTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    RunControlTest() {
        defaults.setObject(keys::kMatchingMode, std::string(kAllExceptMatching));
        defaults.setBool(keys::kUseExifData, false);
        defaults.setInteger(keys::kDirLevels, 1);
        defaults.setObject(keys::kOneLevelDateFormat, std::string("%Y"));
        controller.setMainView(&view);
        report.setMainController(&controller);
        std::filesystem::create_directories(destination);
    }

    PathList makeSources(int count) {
        PathList paths;
        for (int i = 1; i <= count; ++i) {
            paths.push_back(tmp / ("src/file" + std::to_string(i) + ".jpg"));
            writeFile(paths.back(), "data " + std::to_string(i), test::localTime(2004, 5, i));
        }
        return paths;
    }

    // Ticks until the run has ended, as the window's timer would.
    void tickUntilIdle() {
        for (int i = 0; i < 10000 && timers.hasTimers(); ++i) {
            timers.fireAll();
            if (timers.hasTimers())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
        }
        ASSERT_FALSE(timers.hasTimers());
    }

    test::FakeMainView view;
    std::string destination = tmp / "Organized";
};

TEST_F(RunControlTest, AJobTemplateAsksForTheCodeWhenTheFieldIsEmpty) {
    defaults.setObject(keys::kOneLevelDateFormat, std::string("%Y {job}"));
    controller.setFromPaths(makeSources(1));
    controller.setToPath(destination);
    controller.setJobCode("");

    controller.goClicked();
    EXPECT_EQ(view.jobAsked, 1);
    EXPECT_FALSE(timers.hasTimers()) << "declined: no run";

    view.jobAnswer = "Smith";
    controller.goClicked();
    tickUntilIdle();
    EXPECT_EQ(view.jobField, "Smith");
    EXPECT_EQ(view.recentJobs, std::vector<std::string>{"Smith"});
    EXPECT_TRUE(exists(destination + "/2004 Smith/file1.jpg"));
}

TEST_F(RunControlTest, NothingToCopyOrNowhereToCopyToShowsTheAlertOnly) {
    report.result().recordError("/previous", "kept");
    defaults.setBool(keys::kRememberPaths, true);
    controller.setToPath(destination);
    controller.goClicked();
    controller.setFromPaths({tmp / "a"});
    controller.setToPath("");
    controller.goClicked();

    ASSERT_EQ(fakes.alerts.calls.size(), 2u);
    EXPECT_EQ(fakes.alerts.calls[0].title, "Orvane");
    EXPECT_EQ(fakes.alerts.calls[0].message,
              "You must specify files or folders to copy from and a folder to copy to.");
    EXPECT_EQ(fakes.alerts.calls[0].defaultButton, "OK");
    EXPECT_TRUE(fakes.alerts.calls[0].alternateButton.empty());
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(timers.hasTimers());
    EXPECT_FALSE(defaults.objectForKey(keys::kLastTarget));
    EXPECT_EQ(report.result().resErrorFiles, PathList{"/previous"});
    EXPECT_TRUE(view.maxima.empty());
}

TEST_F(RunControlTest, ThreeEntriesProgressFromOneToTheEndThenTheReport) {
    test::FakeReportView reportView;
    report.setView(&reportView);
    controller.setFromPaths(makeSources(3));
    controller.setToPath(destination);

    controller.goClicked();
    ASSERT_EQ(view.maxima, std::vector<double>{4});
    // Reset to 0 first, then 1 at the start.
    ASSERT_GE(view.values.size(), 2u);
    EXPECT_EQ(view.values[0], 0);
    EXPECT_EQ(view.values[1], 1);
    EXPECT_EQ(view.buttonTitle, "Abort");
    EXPECT_EQ(view.buttonKey, "");
    EXPECT_EQ(reportView.shown, 0);
    EXPECT_TRUE(view.running);
    EXPECT_TRUE(view.goEnabled); // Abort

    tickUntilIdle();
    EXPECT_FALSE(view.running);
    ASSERT_GE(view.statuses.size(), 2u);
    EXPECT_EQ(view.statuses.front().done, 0);
    EXPECT_EQ(view.statuses.back().done, 3);
    EXPECT_EQ(view.statuses.back().total, 3);
    EXPECT_EQ(view.statuses.back().currentPath, controller.fromPaths().back());
    EXPECT_EQ(reportView.outcome, "Finished");
    EXPECT_TRUE(fakes.notifier.shown.empty()) << "a short run needs no notification";
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_EQ(view.buttonTitle, "Organize");
    EXPECT_EQ(view.buttonKey, "\r");
    EXPECT_EQ(view.values.back(), 0);
    for (double value : view.values)
        EXPECT_LE(value, 4);
    EXPECT_EQ(reportView.shown, 1);
    EXPECT_EQ(reportView.counts, (std::vector<std::string>{"3", "0", "0"}));
    EXPECT_EQ(fakes.workspace.changes, 1);
    EXPECT_FALSE(report.cancelled());
    EXPECT_TRUE(exists(destination + "/2004/file3.jpg"));
}

TEST_F(RunControlTest, AbortDuringTheSecondOfFiveSkipsTheRest) {
    const PathList sources = makeSources(5);
    EntryGate gate;
    controller.setMergeHooks(gate.hooks(sources[1]));
    controller.setFromPaths(sources);
    controller.setToPath(destination);

    controller.goClicked();
    ASSERT_TRUE(gate.waitUntilReached());
    EXPECT_EQ(controller.filesDone(), 2);
    controller.goClicked(); // Abort
    EXPECT_EQ(controller.mergeState(), kMergeCancelRequested);
    // A press while the request is pending starts nothing.
    controller.goClicked();
    EXPECT_EQ(fakes.beeper.beeps, 1);
    EXPECT_EQ(controller.mergeState(), kMergeCancelRequested);
    gate.open();
    controller.joinWorker();
    EXPECT_EQ(controller.mergeState(), kMergeCancelled);
    controller.goClicked();
    EXPECT_EQ(fakes.beeper.beeps, 2);
    EXPECT_EQ(controller.mergeState(), kMergeCancelled);

    timers.fireAll();
    EXPECT_FALSE(timers.hasTimers());
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_TRUE(report.cancelled());
    const RunResult& result = report.result();
    EXPECT_EQ(result.resCopiedFiles, (PathList{sources[0], sources[1]}));
    EXPECT_EQ(result.resSkippedFiles, (PathList{sources[2], sources[3], sources[4]}));
    for (const auto& path : result.resSkippedFiles)
        EXPECT_EQ(result.resSkippedDict.at(path), "Not copied: the run was stopped");
    EXPECT_TRUE(exists(destination + "/2004/file2.jpg"));
    EXPECT_FALSE(exists(destination + "/2004/file3.jpg"));
    EXPECT_EQ(view.buttonTitle, "Organize");
}

TEST_F(RunControlTest, AbortDuringTheLastEntryCompletesTheRun) {
    const PathList sources = makeSources(3);
    EntryGate gate;
    controller.setMergeHooks(gate.hooks(sources[2]));
    controller.setFromPaths(sources);
    controller.setToPath(destination);

    controller.goClicked();
    ASSERT_TRUE(gate.waitUntilReached());
    controller.goClicked();
    EXPECT_EQ(controller.mergeState(), kMergeCancelRequested);
    gate.open();
    controller.joinWorker();
    // The worker finished normally: state 2 ends through the completed count.
    EXPECT_EQ(controller.mergeState(), kMergeCancelRequested);
    EXPECT_EQ(controller.filesDone(), 4);

    timers.fireAll();
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(report.cancelled());
    EXPECT_EQ(report.result().resCopiedFiles.size(), 3u);
    EXPECT_TRUE(report.result().resSkippedFiles.empty());
}

TEST_F(RunControlTest, APatternThatDoesNotCompileStopsTheStart) {
    defaults.setBool(keys::kRememberPaths, true);
    defaults.setObject(keys::kCopyFilePatterns, StringList{"/[/"});
    report.result().recordError("/previous", "cleared");
    controller.setFromPaths(makeSources(1));
    controller.setToPath(destination);
    controller.goClicked();

    EXPECT_EQ(fakes.alerts.calls.size(), 1u);
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(timers.hasTimers());
    EXPECT_TRUE(view.maxima.empty());
    EXPECT_EQ(view.values, std::vector<double>{0});
    EXPECT_EQ(view.buttonTitle, "Organize");
    // The paths were remembered and the result cleared before the list was asked for.
    EXPECT_EQ(defaults.stringForKey(keys::kLastTarget), destination);
    EXPECT_TRUE(report.result().resErrorFiles.empty());
}

TEST_F(RunControlTest, AFolderFormatLeavingTheDestinationIsRefusedOnceBeforeTheRun) {
    defaults.setInteger(keys::kDirLevels, 1);
    defaults.setObject(keys::kOneLevelDateFormat, std::string("../%Y"));
    controller.setFromPaths(makeSources(3));
    controller.setToPath(destination);
    controller.goClicked();
    ASSERT_EQ(fakes.alerts.calls.size(), 1u);
    EXPECT_EQ(fakes.alerts.calls[0].message,
              "The folder format doesn't give a folder inside the destination: \u201C../%Y\u201D.");
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(timers.hasTimers());
}

TEST_F(RunControlTest, ALongRunEndingUnwatchedIsAnnouncedAndTheClickShowsTheReport) {
    test::FakeReportView reportView;
    report.setView(&reportView);
    double now = 1000;
    controller.setClock([&now] { return now; });
    controller.setFromPaths(makeSources(2));
    controller.setToPath(destination);
    view.active = false;
    controller.goClicked();
    now += 11;
    tickUntilIdle();
    ASSERT_EQ(fakes.notifier.shown.size(), 1u);
    EXPECT_EQ(fakes.notifier.shown[0].first, "Orvane finished");
    EXPECT_EQ(fakes.notifier.shown[0].second, "2 copied, 0 skipped, 0 errors");
    const int shown = reportView.shown;
    fakes.notifier.lastActivated();
    EXPECT_EQ(reportView.shown, shown + 1);

    view.active = true; // watched: no notification
    controller.goClicked();
    now += 11;
    tickUntilIdle();
    EXPECT_EQ(fakes.notifier.shown.size(), 1u);
}

TEST_F(RunControlTest, AnEmptyFileListIsARunThatEndsAtTheFirstTick) {
    writeFile(tmp / ".hidden", "h");
    controller.setFromPaths({tmp / ".hidden"});
    controller.setToPath(destination);
    controller.goClicked();
    EXPECT_EQ(controller.mergeState(), kMergeRunning);
    controller.joinWorker();
    timers.fireAll();
    EXPECT_EQ(controller.mergeState(), kMergeIdle);
    EXPECT_FALSE(timers.hasTimers());
}

TEST_F(RunControlTest, RemembersOneSourceAndTheDestinationAndNotesTheRecentDocument) {
    defaults.setBool(keys::kRememberPaths, true);
    const PathList one = makeSources(1);
    controller.setFromPaths(one);
    controller.setToPath(destination);
    controller.goClicked();
    tickUntilIdle();

    UserDefaults reread(tmp / "prefs.json");
    EXPECT_EQ(reread.stringForKey(keys::kLastTarget), destination);
    EXPECT_EQ(reread.stringForKey(keys::kLastSource), one.front());
    EXPECT_EQ(fakes.recents.paths, one);
}

TEST_F(RunControlTest, TwoSourcesForgetTheRememberedSource) {
    defaults.setBool(keys::kRememberPaths, true);
    defaults.setObject(keys::kLastSource, std::string("/old/source"));
    controller.setFromPaths(makeSources(2));
    controller.setToPath(destination);
    controller.goClicked();
    tickUntilIdle();

    UserDefaults reread(tmp / "prefs.json");
    EXPECT_EQ(reread.stringForKey(keys::kLastTarget), destination);
    EXPECT_FALSE(reread.objectForKey(keys::kLastSource));
    EXPECT_TRUE(fakes.recents.paths.empty());
}

TEST_F(RunControlTest, NotRememberingRemovesBothPaths) {
    defaults.setBool(keys::kRememberPaths, false);
    defaults.setObject(keys::kLastSource, std::string("/old/source"));
    defaults.setObject(keys::kLastTarget, std::string("/old/target"));
    controller.setFromPaths(makeSources(1));
    controller.setToPath(destination);
    controller.goClicked();
    tickUntilIdle();
    EXPECT_FALSE(defaults.objectForKey(keys::kLastSource));
    EXPECT_FALSE(defaults.objectForKey(keys::kLastTarget));
}

TEST_F(RunControlTest, ASecondRunStartsAfterTheFirstEndedAndReplacesTheResult) {
    controller.setFromPaths(makeSources(2));
    controller.setToPath(destination);
    controller.goClicked();
    tickUntilIdle();
    ASSERT_EQ(report.result().resCopiedFiles.size(), 2u);

    // The same files again: nothing is overwritten, both are already there.
    controller.goClicked();
    tickUntilIdle();
    EXPECT_TRUE(report.result().resCopiedFiles.empty());
    EXPECT_EQ(report.result().resSkippedFiles.size(), 2u);
}

TEST_F(RunControlTest, DestroyingTheControllerDuringARunStopsAndJoinsTheWorker) {
    const PathList sources = makeSources(4);
    EntryGate gate;
    auto ownReport = std::make_unique<ReportController>(defaults);
    auto own = std::make_unique<Controller>(defaults, *ownReport, fakes.with(&timers));
    own->setMergeHooks(gate.hooks(sources[0]));
    own->setFromPaths(sources);
    own->setToPath(destination);
    own->goClicked();
    ASSERT_TRUE(gate.waitUntilReached());
    // The status outlives the wait of the destructor, which cannot end before the gate opens.
    RunStatus& status = own->status();
    std::thread opener([&] {
        while (status.lockedMergeState() != kMergeCancelRequested)
            std::this_thread::yield();
        gate.open();
    });
    own.reset(); // requests the stop, then waits for the entry under way
    opener.join();
    EXPECT_EQ(ownReport->result().resCopiedFiles, PathList{sources[0]});
    EXPECT_EQ(ownReport->result().resSkippedFiles.size(), 3u);
    EXPECT_FALSE(timers.hasTimers());
}

TEST_F(RunControlTest, UndoLastOrganizeConfirmsThenReports) {
    UndoLastRun undo(controller);
    EXPECT_FALSE(undo.canUndo()) << "runs keep no journal";
    controller.setRunJournalFolder(tmp / "runs");
    EXPECT_FALSE(undo.canUndo()) << "no run yet";
    controller.setFromPaths(makeSources(2));
    controller.setToPath(destination);
    controller.goClicked();
    EXPECT_FALSE(undo.canUndo()) << "not during a run";
    tickUntilIdle();
    ASSERT_TRUE(undo.canUndo());
    // A second run that finds everything there does not hide the first.
    controller.goClicked();
    tickUntilIdle();
    const std::string title = undo.commandTitle().value_or("");
    EXPECT_EQ(title.rfind("Undo the organize of ", 0), 0u) << title;
    EXPECT_NE(title.find(": 2 files\u2026"), std::string::npos) << title;

    fakes.alerts.answers = {1, 0, 0}; // Cancel; then Remove Files and OK
    undo.undo();
    EXPECT_TRUE(exists(destination + "/2004/file1.jpg"));
    undo.undo();
    ASSERT_EQ(fakes.alerts.calls.size(), 3u);
    const std::string quoted = "\u201C" + destination + "\u201D";
    EXPECT_EQ(fakes.alerts.calls[1].title, "Undo Last Organize");
    EXPECT_EQ(fakes.alerts.calls[1].message,
              "2 files copied by the last organize will be removed from " + quoted + ".");
    EXPECT_EQ(fakes.alerts.calls[1].defaultButton, "Remove Files");
    EXPECT_EQ(fakes.alerts.calls[1].alternateButton, "Cancel");
    EXPECT_EQ(fakes.alerts.calls[2].message, "Removed 2 files and 1 folder from " + quoted + ".");
    EXPECT_FALSE(exists(destination + "/2004"));
    EXPECT_TRUE(exists(tmp / "src/file1.jpg"));
    EXPECT_FALSE(undo.canUndo()) << "a run is undone once";
    EXPECT_FALSE(undo.commandTitle());
    EXPECT_EQ(UndoLastRun::startedText("2026-12-08T14:02:11"), "");
}

} // namespace
} // namespace orvane
