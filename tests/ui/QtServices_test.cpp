#include "platform/qt/FileIcons.h"
#include "platform/qt/QtAlerts.h"
#include "platform/qt/QtOpenPanel.h"
#include "platform/qt/QtTimerService.h"
#include "platform/qt/QtWorkspace.h"
#include "platform/qt/Translation.h"
#include "platform/qt/XbelRecentDocuments.h"
#include "support/QtPrinting.h"
#include "support/TestSupport.h"
#include "ui/Printing.h"

#include <QAbstractTextDocumentLayout>
#include <QApplication>
#include <QClipboard>
#include <QDialogButtonBox>
#include <QDomDocument>
#include <QFile>
#include <QFileDialog>
#include <QListView>
#include <QMessageBox>
#include <QPointer>
#include <QPrinter>
#include <QPushButton>
#include <QTest>
#include <QTextDocument>
#include <QTimer>
#include <QTranslator>
#include <gtest/gtest.h>

namespace orvane {
namespace {

// The core's English texts in German, their values found by their form and kept as they are.
TEST(WindowText, TranslatesTheCoresTextsAroundTheirValues) {
    QTranslator german;
    ASSERT_TRUE(german.load(QStringLiteral(ORVANE_GERMAN_TRANSLATION)));
    QCoreApplication::installTranslator(&german);
    const std::pair<std::string, const char*> cases[] = {
        {"Hidden file", "Versteckte Datei"},
        {"Copied (1,234)", "Kopiert (1,234)"},
        {"Removed 1 file and 2 folders from \u201c/a b\u201d.",
         "1 Datei und 2 Ordner aus \u201c/a b\u201d entfernt."},
        {"The files to copy need at least 1.5 MB, but the disk of \u201c/x\u201d has only 512 "
         "bytes free. Files that do not fit will fail to copy.",
         "Die zu kopierenden Dateien brauchen mindestens 1.5 MB, aber auf dem Datentr\u00e4ger "
         "von \u201c/x\u201d sind nur 512 bytes frei. Dateien, die nicht passen, k\u00f6nnen "
         "nicht kopiert werden."},
        // A value that looks like a placeholder stays a value.
        {"Card '%2' (3 photos) inserted", "Karte '%2' (3 Fotos) eingelegt"},
        // Line by line; a line without a translation as it is.
        {"Removed 2 files from \u201c/p\u201d.\n\nKept 1 file:\n/p/x.jpg: gone",
         "2 Dateien aus \u201c/p\u201d entfernt.\n\n1 Datei behalten:\n/p/x.jpg: gone"},
        {"IMG_0001.JPG", "IMG_0001.JPG"},
    };
    for (const auto& [english, expected] : cases)
        EXPECT_EQ(windowText(english), QString::fromUtf8(expected)) << english;
    QCoreApplication::removeTranslator(&german);
}

TEST(QtTimerService, RepeatsAndStopsFromItsOwnCallback) {
    QtTimerService timers;
    int ticks = 0;
    TimerService::TimerId id = 0;
    id = timers.startRepeating(0.01, [&] {
        if (++ticks == 3)
            timers.stop(id);
    });
    EXPECT_TRUE(QTest::qWaitFor([&] { return ticks >= 3; }, 5000));
    QTest::qWait(50);
    EXPECT_EQ(ticks, 3);
}

// Presses the button titled `title` of the next alert.
void pressLater(const QString& title) {
    QTimer::singleShot(0, [title] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        const QString shots = qEnvironmentVariable("ORVANE_SCREENSHOTS");
        if (!shots.isEmpty())
            box->grab().save(shots + "/alert-" + title + ".png");
        for (QAbstractButton* button : box->buttons())
            if (button->text() == title)
                button->click();
    });
}

TEST(QtAlertService, AnswersThePressedButtonOfThree) {
    QtAlertService qtAlerts;
    AlertService& alerts = qtAlerts;
    pressLater("Later");
    EXPECT_EQ(alerts.runAlert("Orvane", "Question?", "Yes", "No", "Later"), 2);
    pressLater("No");
    EXPECT_EQ(alerts.runAlert("Orvane", "Question?", "Yes", "No", "Later"), 1);
    pressLater("OK");
    EXPECT_EQ(alerts.runAlert("Orvane", "Message", "OK"), 0);

    // Over a window just shown, as the welcome is at start-up: centred on it.
    QWidget main;
    main.setGeometry(300, 200, 400, 300);
    main.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&main));
    qtAlerts.setParentWidget(&main);
    QPoint centre;
    QTimer::singleShot(0, [&] {
        if (QWidget* box = QApplication::activeModalWidget())
            centre = box->frameGeometry().center();
    });
    pressLater("OK");
    alerts.runAlert("Welcome to Orvane", "Message", "OK");
    EXPECT_LE((centre - main.frameGeometry().center()).manhattanLength(), 40);
}

class XbelTest : public ::testing::Test {
  protected:
    std::string file() { return tmp / "share/recently-used.xbel"; }
    QDomDocument read() {
        QFile in(QString::fromStdString(file()));
        EXPECT_TRUE(in.open(QIODevice::ReadOnly));
        QDomDocument doc;
        EXPECT_TRUE(doc.setContent(in.readAll(), false));
        return doc;
    }
    test::TempDir tmp;
    QDateTime now = QDateTime(QDate(2024, 3, 1), QTime(10, 0), Qt::UTC);
};

TEST_F(XbelTest, CreatesTheListWithOneBookmark) {
    const std::string photo = tmp / "My Photos";
    std::filesystem::create_directories(photo);
    ASSERT_FALSE(XbelRecentDocuments::addRecentDocument(file(), photo, now));
    const QDomElement root = read().documentElement();
    EXPECT_EQ(root.tagName(), "xbel");
    const QDomElement bookmark = root.firstChildElement("bookmark");
    EXPECT_EQ(bookmark.attribute("href"),
              "file://" + QString::fromStdString(tmp.path()) + "/My%20Photos");
    EXPECT_EQ(bookmark.attribute("added"), "2024-03-01T10:00:00.000Z");
    const QDomElement metadata = bookmark.firstChildElement("info").firstChildElement("metadata");
    EXPECT_EQ(metadata.firstChildElement("mime:mime-type").attribute("type"), "inode/directory");
    const QDomElement app = metadata.firstChildElement("bookmark:applications")
                                .firstChildElement("bookmark:application");
    EXPECT_EQ(app.attribute("name"), "Orvane");
    EXPECT_EQ(app.attribute("count"), "1");
}

TEST_F(XbelTest, KeepsOtherApplicationsEntriesAndCountsAgain) {
    test::writeFile(file(), R"(<?xml version="1.0" encoding="UTF-8"?>
<xbel version="1.0" xmlns:bookmark="http://www.freedesktop.org/standards/desktop-bookmarks" xmlns:mime="http://www.freedesktop.org/standards/shared-mime-info">
  <bookmark href="file:///home/u/notes.txt" added="2023-01-01T00:00:00Z" modified="2023-01-01T00:00:00Z" visited="2023-01-01T00:00:00Z">
    <title>Notes</title>
    <info><metadata owner="http://freedesktop.org"><mime:mime-type type="text/plain"/>
      <bookmark:applications><bookmark:application name="gedit" exec="'gedit %u'" modified="2023-01-01T00:00:00Z" count="4"/></bookmark:applications>
    </metadata></info>
  </bookmark>
  <bookmark href="file:///home/u/Trip%27s" added="2023-01-02T00:00:00Z" modified="2023-01-02T00:00:00Z" visited="2023-01-02T00:00:00Z">
    <info><metadata owner="http://freedesktop.org"><mime:mime-type type="inode/directory"/>
      <bookmark:applications><bookmark:application name="Files" exec="'nautilus %u'" modified="2023-01-02T00:00:00Z" count="1"/></bookmark:applications>
    </metadata></info>
  </bookmark>
</xbel>
)");
    // The same folder as the second bookmark, which another program escaped differently.
    ASSERT_FALSE(XbelRecentDocuments::addRecentDocument(file(), "/home/u/Trip's", now));
    ASSERT_FALSE(XbelRecentDocuments::addRecentDocument(file(), "/home/u/Trip's", now));
    const QDomElement root = read().documentElement();
    QDomNodeList bookmarks = root.elementsByTagName("bookmark");
    ASSERT_EQ(bookmarks.size(), 2);
    const QDomElement notes = bookmarks.at(0).toElement();
    EXPECT_EQ(notes.firstChildElement("title").text(), "Notes");
    EXPECT_EQ(notes.attribute("modified"), "2023-01-01T00:00:00Z");
    const QDomElement trip = bookmarks.at(1).toElement();
    EXPECT_EQ(trip.attribute("added"), "2023-01-02T00:00:00Z");
    EXPECT_EQ(trip.attribute("modified"), "2024-03-01T10:00:00.000Z");
    QDomNodeList apps = trip.elementsByTagName("bookmark:application");
    ASSERT_EQ(apps.size(), 2);
    EXPECT_EQ(apps.at(0).toElement().attribute("name"), "Files");
    EXPECT_EQ(apps.at(1).toElement().attribute("name"), "Orvane");
    EXPECT_EQ(apps.at(1).toElement().attribute("count"), "2");
}

TEST_F(XbelTest, AnUnreadableListIsLeftAsItIs) {
    const std::string broken = "<xbel><bookmark href=\"file:///a\">";
    test::writeFile(file(), broken);
    EXPECT_TRUE(XbelRecentDocuments::addRecentDocument(file(), "/home/u/a.jpg", now));
    EXPECT_EQ(test::readFile(file()), broken);
    // A folder where the list should be: an error, nothing lost.
    const std::string folder = tmp / "folder.xbel";
    std::filesystem::create_directories(folder);
    EXPECT_TRUE(XbelRecentDocuments::addRecentDocument(folder, "/home/u/a.jpg", now));
}

TEST_F(XbelTest, NamesThatAreNotUtf8AreEscapedByteByByte) {
    ASSERT_FALSE(XbelRecentDocuments::addRecentDocument(file(), "/home/u/caf\xe9 #1.jpg", now));
    const QDomElement bookmark = read().documentElement().firstChildElement("bookmark");
    EXPECT_EQ(bookmark.attribute("href"), "file:///home/u/caf%E9%20%231.jpg");
}

TEST(QtWorkspace, WhenNothingOpensTheItemAnAlertOffersItsPath) {
    auto unopened = [] {
        for (QWidget* window : QApplication::topLevelWidgets())
            if (window->objectName() == "unopenedAlert" && window->isVisible())
                return qobject_cast<QMessageBox*>(window);
        return static_cast<QMessageBox*>(nullptr);
    };
    QtWorkspace workspace;
    workspace.setOpener("true");
    ASSERT_TRUE(workspace.openPath("/media/u/CARD/DCIM"));
    QTest::qWait(300);
    EXPECT_FALSE(unopened());

    for (const char* opener : {"false", "/nonexistent/opener"}) {
        workspace.setOpener(opener);
        ASSERT_TRUE(workspace.openPath("/media/u/CARD/DCIM"));
        ASSERT_TRUE(QTest::qWaitFor([&] { return unopened() != nullptr; }, 5000)) << opener;
        QPointer<QMessageBox> box = unopened();
        EXPECT_EQ(box->text(), "/media/u/CARD/DCIM");
        for (QAbstractButton* button : box->buttons())
            if (button->text() == "&Copy Path")
                button->click();
        EXPECT_EQ(QApplication::clipboard()->text(), "/media/u/CARD/DCIM");
        if (box)
            box->close();
        QTest::qWaitFor([&] { return box.isNull(); }, 2000);
    }
}

TEST(FileIcons, OneFolderSeveralFilesAndNothing) {
    test::TempDir tmp;
    test::writeFile(tmp / "a.jpg", "x");
    EXPECT_EQ(iconForFiles({tmp.path()}, 128).size(), QSize(128, 128));
    EXPECT_EQ(iconForFiles({tmp / "a.jpg", tmp.path(), tmp / "gone"}, 128).size(), QSize(128, 128));
    EXPECT_FALSE(iconForFiles({tmp / "a.jpg"}, 128).isNull());
}

TEST(Printing, TheCopyIsLaidOutOnThePageAndTheOriginalStaysAsItWas) {
    test::TempDir tmp;
    QTextDocument text;
    text.setPlainText(QString("a long line of the report ").repeated(40));
    text.setTextWidth(300);
    QPrinter printer(QPrinter::HighResolution);
    printer.setOutputFormat(QPrinter::PdfFormat);
    printer.setOutputFileName(QString::fromStdString(tmp / "report.pdf"));
    std::unique_ptr<QTextDocument> copy = resizedCopy(text, printer);
    EXPECT_DOUBLE_EQ(copy->pageSize().width(), printer.width());
    EXPECT_EQ(copy->documentLayout()->paintDevice(), &printer);
    EXPECT_EQ(copy->toPlainText(), text.toPlainText());
    EXPECT_DOUBLE_EQ(text.textWidth(), 300);

    printResizedCopy(text, printer);
    EXPECT_EQ(test::readFile(tmp / "report.pdf").substr(0, 5), "%PDF-");
}

} // namespace
} // namespace orvane

namespace orvane {
namespace {

// Selects every item of the open panel's list and presses its Choose button.
void chooseAllLater(const QString& screenshot) {
    QTimer::singleShot(300, [screenshot] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        ASSERT_NE(dialog, nullptr);
        auto* list = dialog->findChild<QListView*>("listView");
        ASSERT_NE(list, nullptr);
        list->selectAll();
        QApplication::processEvents();
        if (!screenshot.isEmpty())
            dialog->grab().save(screenshot);
        auto* buttons = dialog->findChild<QDialogButtonBox*>("buttonBox");
        ASSERT_NE(buttons, nullptr);
        QPushButton* choose = buttons->button(QDialogButtonBox::Open);
        ASSERT_NE(choose, nullptr);
        EXPECT_EQ(choose->text(), "Choose");
        choose->click();
    });
}

TEST(QtOpenPanel, ChoosesFilesAndFoldersTogether) {
    test::TempDir tmp;
    std::filesystem::create_directories(tmp / "Trip");
    test::writeFile(tmp / "a.jpg", "x");
    QtOpenPanel panel;
    OpenPanelOptions options;
    options.title = "Select Copy From";
    options.allowsMultipleSelection = true;
    options.canChooseFiles = true;
    options.canChooseDirectories = true;
    options.directory = tmp.path();
    const QString shots = qEnvironmentVariable("ORVANE_SCREENSHOTS");
    chooseAllLater(shots.isEmpty() ? QString() : shots + "/panel.png");
    std::optional<std::vector<std::string>> chosen = panel.runOpenPanel(options);
    ASSERT_TRUE(chosen);
    std::sort(chosen->begin(), chosen->end());
    EXPECT_EQ(*chosen, (std::vector<std::string>{tmp / "Trip", tmp / "a.jpg"}));
}

} // namespace
} // namespace orvane
