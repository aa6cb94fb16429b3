#include "app/Controller.h"
#include "platform/ManualTimerService.h"
#include "platform/UserDefaults.h"
#include "prefs/Defaults.h"
#include "report/ReportController.h"
#include "support/ControllerRig.h"
#include "support/Fakes.h"
#include "support/QtPrinting.h"
#include "support/TestSupport.h"
#include "ui/KelWell.h"
#include "ui/MainWindow.h"

#include <QApplication>
#include <QDragEnterEvent>
#include <QFile>
#include <QLineEdit>
#include <QMimeData>
#include <QSignalSpy>
#include <QUrl>
#include <filesystem>
#include <gtest/gtest.h>

namespace orvane {
namespace {

QUrl fileUrl(const std::string& path) {
    return QUrl::fromLocalFile(QFile::decodeName(path.c_str()));
}

std::unique_ptr<QMimeData> urlData(const std::vector<std::string>& paths) {
    auto data = std::make_unique<QMimeData>();
    QList<QUrl> urls;
    for (const auto& path : paths)
        urls << fileUrl(path);
    data->setUrls(urls);
    return data;
}

// Drags `data` onto the well and drops it there, as the window system would; answers
// whether the well took the drag and the drop.
struct DragOutcome {
    bool entered;
    bool dropped;
};

DragOutcome dragAndDrop(KelWell& well, const QMimeData& data,
                        Qt::DropActions offered = Qt::CopyAction | Qt::MoveAction |
                                                  Qt::LinkAction) {
    const QPoint centre = well.rect().center();
    QDragEnterEvent enter(centre, offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&well, &enter);
    if (!enter.isAccepted())
        return {false, false};
    EXPECT_TRUE(well.isHighlighted());
    EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
    QDropEvent drop(QPointF(centre), offered, &data, Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&well, &drop);
    EXPECT_FALSE(well.isHighlighted());
    return {true, drop.isAccepted()};
}

class WellTest : public ::testing::Test, protected test::ControllerRig {
  protected:
    WellTest() : window(controller) {
        std::filesystem::create_directories(folder);
        std::filesystem::create_directories(folder2);
        test::writeFile(file, "x");
    }

    MainWindow window;
    std::string folder = tmp / "Pictures";
    std::string folder2 = tmp / "More";
    std::string file = tmp / "a.jpg";
};

TEST_F(WellTest, SourceWellTakesFilesAndFoldersInTheirOrder) {
    QSignalSpy activated(window.fromKelWell(), &KelWell::activated);
    auto data = urlData({file, folder, tmp / "vanished.jpg"});
    const DragOutcome outcome = dragAndDrop(*window.fromKelWell(), *data);
    EXPECT_TRUE(outcome.entered);
    EXPECT_TRUE(outcome.dropped);
    EXPECT_EQ(activated.count(), 1);
    EXPECT_EQ(controller.fromPaths(), (PathList{file, folder, tmp / "vanished.jpg"}));
    EXPECT_TRUE(window.fromFieldWidget()->text().startsWith("3 items: a.jpg, "));
    EXPECT_FALSE(window.fromKelWell()->image().isNull());
}

TEST_F(WellTest, DestinationWellTakesOneFolderOnly) {
    auto one = urlData({folder});
    EXPECT_TRUE(dragAndDrop(*window.toKelWell(), *one).dropped);
    EXPECT_EQ(controller.toPath(), folder);
    EXPECT_EQ(window.toFieldWidget()->text(), "Pictures");

    auto aFile = urlData({file});
    auto twoFolders = urlData({folder, folder2});
    auto gone = urlData({tmp / "gone"});
    for (const QMimeData* data : {aFile.get(), twoFolders.get(), gone.get()}) {
        EXPECT_FALSE(dragAndDrop(*window.toKelWell(), *data).entered);
        EXPECT_FALSE(window.toKelWell()->isHighlighted());
    }
    EXPECT_EQ(controller.toPath(), folder);
}

TEST_F(WellTest, TextRemoteUrlsAndMoveOnlyDragsAreRefused) {
    QMimeData text;
    text.setText("/etc/passwd");
    QMimeData remote;
    remote.setUrls({QUrl("https://example.org/a.jpg")});
    auto mixed = std::make_unique<QMimeData>();
    mixed->setUrls({fileUrl(file), QUrl("sftp://host/b.jpg")});
    QMimeData empty;
    empty.setUrls({});
    for (const QMimeData* data : {&text, &remote, mixed.get(), &empty})
        EXPECT_FALSE(dragAndDrop(*window.fromKelWell(), *data).entered);

    auto local = urlData({file});
    EXPECT_FALSE(dragAndDrop(*window.fromKelWell(), *local, Qt::MoveAction).entered);
    EXPECT_TRUE(controller.fromPaths().empty());
}

TEST_F(WellTest, DuringARunBothWellsRefuse) {
    for (int state : {kMergeRunning, kMergeCancelRequested, kMergeCancelled}) {
        setMergeState(state);
        auto data = urlData({folder});
        EXPECT_FALSE(dragAndDrop(*window.fromKelWell(), *data).entered);
        EXPECT_FALSE(dragAndDrop(*window.toKelWell(), *data).entered);
    }
    setMergeState(kMergeIdle);
    EXPECT_TRUE(controller.fromPaths().empty());
    EXPECT_TRUE(controller.toPath().empty());
}

TEST_F(WellTest, ARunStartedDuringTheDragRefusesTheDrop) {
    auto data = urlData({file});
    KelWell& well = *window.fromKelWell();
    const QPoint centre = well.rect().center();
    QDragEnterEvent enter(centre, Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&well, &enter);
    ASSERT_TRUE(enter.isAccepted());
    setMergeState(kMergeRunning);
    QDropEvent drop(QPointF(centre), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(&well, &drop);
    EXPECT_FALSE(drop.isAccepted());
    EXPECT_TRUE(controller.fromPaths().empty());
    setMergeState(kMergeIdle);
}

TEST_F(WellTest, LeavingRemovesTheHighlight) {
    auto data = urlData({file});
    KelWell& well = *window.fromKelWell();
    QDragEnterEvent enter(well.rect().center(), Qt::CopyAction, data.get(), Qt::LeftButton,
                          Qt::NoModifier);
    QApplication::sendEvent(&well, &enter);
    EXPECT_TRUE(well.isHighlighted());
    QDragLeaveEvent leave;
    QApplication::sendEvent(&well, &leave);
    EXPECT_FALSE(well.isHighlighted());
}

TEST_F(WellTest, IconsAre128AndAnEqualListChangesNothing) {
    KelWell& well = *window.fromKelWell();
    well.setFilenames({folder});
    EXPECT_EQ(well.imageChanges(), 1);
    EXPECT_EQ(well.image().deviceIndependentSize().toSize(), QSize(128, 128));
    well.setFilenames({folder});
    EXPECT_EQ(well.imageChanges(), 1);
    well.setFilenames({folder, file});
    EXPECT_EQ(well.imageChanges(), 2);
    EXPECT_EQ(well.image().deviceIndependentSize().toSize(), QSize(128, 128));
}

TEST_F(WellTest, FileManagersUriListsArriveAsRawPaths) {
    // A name that is not valid UTF-8, a space and a host-qualified URI, with CRLF lines.
    const std::string odd = tmp / "caf\xe9 1.jpg";
    test::writeFile(odd, "y");
    QMimeData data;
    const QByteArray encoded = QByteArray::fromStdString(tmp.path()).toPercentEncoding("/");
    data.setData("text/uri-list", "# a comment\r\nfile://" + encoded + "/caf%E9%201.jpg\r\n" +
                                      "file://localhost" + encoded + "/a.jpg\r\n");
    EXPECT_TRUE(dragAndDrop(*window.fromKelWell(), data).dropped);
    EXPECT_EQ(controller.fromPaths(), (PathList{odd, file}));

    QMimeData otherHost;
    otherHost.setData("text/uri-list", "file://elsewhere" + encoded + "/a.jpg\r\n");
    EXPECT_FALSE(dragAndDrop(*window.fromKelWell(), otherHost).entered);
}

} // namespace
} // namespace orvane
