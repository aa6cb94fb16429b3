#include "ui/MainWindow.h"

#include "app/Controller.h"
#include "base/Paths.h"
#include "base/WindowText.h"
#include "platform/UserDefaults.h"
#include "platform/qt/Translation.h"
#include "prefs/PrefKeys.h"
#include "report/RunProgress.h"
#include "selection/Selection.h"
#include "ui/KelWell.h"
#include "ui_MainWindow.h"

#include <QAbstractButton>
#include <QApplication>
#include <QEvent>
#include <QFile>
#include <QFontMetrics>
#include <QInputDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QShortcut>
#include <cmath>

namespace orvane {

namespace {

// Progress values are entries of the file list; a bar counts in int.
int progressUnits(double value) {
    if (!(value > 0))
        return 0;
    return value >= 2147483647.0 ? 2147483647 : static_cast<int>(std::lround(value));
}

// The full text of a field that shows it shortened.
constexpr const char* kFullText = "orvaneFullText";

QString decoded(const std::string& text) {
    return QFile::decodeName(text.c_str());
}

} // namespace

MainWindow::MainWindow(Controller& controller, QWidget* parent)
    : QMainWindow(parent), controller_(controller), ui_(std::make_unique<Ui::MainWindow>()) {
    ui_->setupUi(this);
    QFont arrowFont = ui_->arrowLabel->font();
    arrowFont.setPointSizeF(arrowFont.pointSizeF() * 2);
    ui_->arrowLabel->setFont(arrowFont);
    ui_->arrowLabel->setForegroundRole(QPalette::PlaceholderText);

    ui_->fromWell->setDelegate(&controller_);
    ui_->toWell->setDelegate(&controller_);
    connect(ui_->fromWell, &KelWell::activated, this,
            [this] { controller_.fromSpecified(*ui_->fromWell); });
    connect(ui_->toWell, &KelWell::activated, this,
            [this] { controller_.toSpecified(*ui_->toWell); });
    connect(ui_->fromChooseButton, &QPushButton::clicked, this, [this] { controller_.pickFrom(); });
    connect(ui_->toChooseButton, &QPushButton::clicked, this, [this] { controller_.pickTo(); });
    connect(ui_->goButton, &QPushButton::clicked, this, [this] { controller_.goClicked(); });
    ui_->jobField->lineEdit()->setPlaceholderText(QStringLiteral("None"));
    ui_->jobField->lineEdit()->setClearButtonEnabled(true);
    connect(ui_->jobField, &QComboBox::editTextChanged, this,
            [this](const QString& text) { controller_.setJobCode(text.trimmed().toStdString()); });
    ui_->moveOriginalsBox->setChecked(controller_.defaults().boolForKey(keys::kMoveOriginals));
    connect(ui_->moveOriginalsBox, &QCheckBox::toggled, this,
            [this](bool on) { controller_.setMoveOriginals(on); });

    // The button's key equivalent: Return (and the keypad's Enter) press it between runs.
    returnKey_ = new QShortcut(QKeySequence(Qt::Key_Return), this);
    enterKey_ = new QShortcut(QKeySequence(Qt::Key_Enter), this);
    for (QShortcut* key : {returnKey_, enterKey_})
        connect(key, &QShortcut::activated, this, &MainWindow::returnPressed);
    ui_->runLayout->setStretch(0, 1);
    ui_->runLayout->setStretch(1, 1);
    ui_->progressText->setVisible(false);
    // A long name must not widen the window: the line takes the width it is given.
    ui_->progressText->setSizePolicy(QSizePolicy::Ignored, QSizePolicy::Preferred);
    for (QLineEdit* field : {ui_->fromField, ui_->toField})
        field->installEventFilter(this);

    createMenus();
    // The fields only show the selection: the button, not a field, starts with the focus.
    ui_->goButton->setFocus();
    controller_.setMainView(this);
    setRecentJobCodes(
        controller_.defaults().stringArrayForKey(keys::kRecentJobCodes).value_or(StringList{}));
    setGoButton("Organize", "\r");
    setGoButtonEnabled(false);
}

void MainWindow::setRecentJobCodes(const std::vector<std::string>& codes) {
    const QString text = ui_->jobField->currentText();
    ui_->jobField->clear();
    for (const std::string& code : codes)
        ui_->jobField->addItem(QString::fromStdString(code));
    ui_->jobField->setEditText(text);
}

void MainWindow::setJobField(const std::string& code) {
    ui_->jobField->setEditText(QString::fromStdString(code));
}

std::optional<std::string> MainWindow::askJobCode() {
    QStringList recent;
    for (int i = 0; i < ui_->jobField->count(); ++i)
        recent << ui_->jobField->itemText(i);
    bool ok = false;
    const QString code = QInputDialog::getItem(
        this, tr("Job"), tr("The folder or name template uses {job}. Job code for this run:"),
        recent, 0, true, &ok);
    if (!ok || code.trimmed().isEmpty())
        return std::nullopt;
    return code.trimmed().toStdString();
}

MainWindow::~MainWindow() {
    controller_.setMainView(nullptr);
}

void MainWindow::createMenus() {
    applicationMenu_ = menuBar()->addMenu(tr("&Orvane"));
    applicationMenu_->setObjectName("applicationMenu");
    quitAction_ = applicationMenu_->addAction(tr("&Quit Orvane"));
    quitAction_->setShortcut(QKeySequence::Quit);
    quitAction_->setMenuRole(QAction::QuitRole);
    // Every window is asked to close; one that refuses keeps the application running.
    connect(quitAction_, &QAction::triggered, this, [] { QApplication::closeAllWindows(); });

    fileMenu_ = menuBar()->addMenu(tr("&File"));
    fileMenu_->setObjectName("fileMenu");
    pickFromAction_ = fileMenu_->addAction(tr("Choose Copy &From…"));
    pickFromAction_->setShortcut(QKeySequence::Open);
    connect(pickFromAction_, &QAction::triggered, this, [this] { controller_.pickFrom(); });
    pickToAction_ = fileMenu_->addAction(tr("Choose Organize &Into…"));
    pickToAction_->setShortcut(QKeySequence("Ctrl+Shift+O"));
    connect(pickToAction_, &QAction::triggered, this, [this] { controller_.pickTo(); });
    fileMenu_->addSeparator();
    // The button's command; it stays on when the button is off, to say what is missing.
    organizeAction_ = fileMenu_->addAction(tr("&Organize"));
    organizeAction_->setObjectName("organizeAction");
    connect(organizeAction_, &QAction::triggered, this, [this] { controller_.goClicked(); });

    editMenu_ = menuBar()->addMenu(tr("&Edit"));
    editMenu_->setObjectName("editMenu");
}

void MainWindow::returnPressed() {
    // A button the user moved the focus to (Choose…, Preview…) is what Return means; the
    // organise button only has Return as the window's default.
    if (auto* focused = qobject_cast<QAbstractButton*>(focusWidget());
        focused && focused != ui_->goButton && focused->isEnabled()) {
        focused->animateClick();
        return;
    }
    if (ui_->goButton->isEnabled())
        ui_->goButton->animateClick();
    else
        controller_.goClicked();
}

void MainWindow::addRunButton(QWidget* button) {
    ui_->runLayout->insertWidget(ui_->runLayout->indexOf(ui_->goButton), button);
    // Tab reaches it where it stands: just before the organise button, not after everything.
    QWidget* before = ui_->goButton->previousInFocusChain();
    if (before && before != button)
        QWidget::setTabOrder(before, button);
    QWidget::setTabOrder(button, ui_->goButton);
}

void MainWindow::addTopBar(QWidget* bar) {
    ui_->mainLayout->insertWidget(0, bar);
}

void MainWindow::setProgressMaximum(double maximum) {
    ui_->progressMeter->setMaximum(std::max(1, progressUnits(maximum)));
}

void MainWindow::setProgressValue(double value) {
    ui_->progressMeter->setValue(std::min(progressUnits(value), ui_->progressMeter->maximum()));
}

void MainWindow::setGoButton(const std::string& title, const std::string& keyEquivalent) {
    ui_->goButton->setText(windowText(title));
    organizeAction_->setText("&" + windowText(title));
    const bool returnKey = keyEquivalent == "\r";
    returnKey_->setEnabled(returnKey);
    enterKey_->setEnabled(returnKey);
}

bool MainWindow::goButtonHasReturnKey() const {
    return returnKey_->isEnabled();
}

void MainWindow::setFromField(const std::string&) {
    // The field names every source, which the short description does not.
    const PathList& paths = controller_.fromPaths();
    ui_->fromField->setProperty(kFullText, decoded(sourceFieldText(paths)));
    QStringList all;
    for (const std::string& path : paths)
        all << decoded(path);
    ui_->fromField->setToolTip(all.join('\n'));
    showElided(ui_->fromField);
}

void MainWindow::setToField(const std::string& text) {
    ui_->toField->setProperty(kFullText, decoded(text));
    ui_->toField->setToolTip(decoded(controller_.toPath()));
    showElided(ui_->toField);
}

void MainWindow::showElided(QLineEdit* field) {
    const QString full = field->property(kFullText).toString();
    // A field not yet laid out has no width to fit: it is fitted when it is shown.
    if (!field->isVisible()) {
        field->setText(full);
        return;
    }
    // The frame and the text margins take about a character on each side.
    const int room = field->width() - 2 * field->fontMetrics().averageCharWidth() - 4;
    field->setText(field->fontMetrics().elidedText(full, Qt::ElideMiddle, std::max(room, 40)));
    field->setCursorPosition(0);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Resize)
        for (QLineEdit* field : {ui_->fromField, ui_->toField})
            if (watched == field)
                showElided(field);
    return QMainWindow::eventFilter(watched, event);
}

void MainWindow::setProgressStatus(const ProgressStatus& status) {
    QLabel* line = ui_->progressText;
    // Translated in parts, so that the file's name is never taken for a value.
    QString text = windowText(fillValues(ORVANE_TRANSLATE_NOOP("Orvane", "%1 of %2"),
                                         {groupedCount(status.done), groupedCount(status.total)}));
    if (const std::string speed = speedText(status); !speed.empty())
        text += QStringLiteral(" · ") + decoded(speed);
    if (status.secondsLeft)
        text += QStringLiteral(" · ") + windowText(timeLeftText(*status.secondsLeft));
    line->setVisible(true);
    if (status.currentPath.empty()) {
        line->setText(text);
        return;
    }
    // The counts and speeds stay whole; the name gives way in its middle, where names of
    // cameras' files differ least (not yet laid out, the line shows it whole).
    text += QStringLiteral(" · ");
    const QString name = decoded(lastPathComponent(status.currentPath));
    const QFontMetrics metrics(line->font());
    const int room = std::max(0, line->contentsRect().width() - metrics.horizontalAdvance(text));
    line->setText(text +
                  (line->isVisible() ? metrics.elidedText(name, Qt::ElideMiddle, room) : name));
}

void MainWindow::setRunning(bool running) {
    for (QWidget* chooser :
         {static_cast<QWidget*>(ui_->fromChooseButton), static_cast<QWidget*>(ui_->toChooseButton)})
        chooser->setEnabled(!running);
    pickFromAction_->setEnabled(!running);
    pickToAction_->setEnabled(!running);
    ui_->moveOriginalsBox->setEnabled(!running);
    // Between runs the bar has the row to itself.
    if (!running) {
        ui_->progressText->clear();
        ui_->progressText->setVisible(false);
    }
    running_ = running;
    emit runningChanged(running);
    emit organizeAvailabilityChanged();
}

void MainWindow::setGoButtonEnabled(bool enabled) {
    goWanted_ = enabled;
    ui_->goButton->setEnabled(goWanted_ && !goHeld_);
    emit organizeAvailabilityChanged();
}

void MainWindow::holdGoButton(bool held) {
    goHeld_ = held;
    ui_->goButton->setEnabled(goWanted_ && !goHeld_);
}

bool MainWindow::isWindowActive() const {
    return isActiveWindow();
}

DropWell* MainWindow::fromWell() {
    return ui_->fromWell;
}
DropWell* MainWindow::toWell() {
    return ui_->toWell;
}
KelWell* MainWindow::fromKelWell() const {
    return ui_->fromWell;
}
KelWell* MainWindow::toKelWell() const {
    return ui_->toWell;
}
QLineEdit* MainWindow::fromFieldWidget() const {
    return ui_->fromField;
}
QLineEdit* MainWindow::toFieldWidget() const {
    return ui_->toField;
}
QPushButton* MainWindow::goButton() const {
    return ui_->goButton;
}
QProgressBar* MainWindow::progressMeter() const {
    return ui_->progressMeter;
}
QLabel* MainWindow::progressText() const {
    return ui_->progressText;
}

} // namespace orvane
