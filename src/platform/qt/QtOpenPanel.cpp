#include "platform/qt/QtOpenPanel.h"

#include "platform/qt/Translation.h"

#include <QAbstractItemView>
#include <QCoreApplication>
#include <QDialogButtonBox>
#include <QFile>
#include <QFileDialog>
#include <QFileSystemModel>
#include <QItemSelectionModel>
#include <QPushButton>
#include <QSet>

namespace orvane {

namespace {

// A dialog whose Open button takes every item selected in its views, files and folders
// alike; with nothing selected it behaves as usual (enters a typed folder, and so on).
class FilesAndFoldersDialog : public QFileDialog {
  public:
    using QFileDialog::QFileDialog;

    void allowFilesAndFolders() {
        setFileMode(QFileDialog::ExistingFiles);
        setOption(QFileDialog::DontUseNativeDialog, true);
        for (QAbstractItemView* view : findChildren<QAbstractItemView*>())
            if (view->objectName() == "listView" || view->objectName() == "treeView") {
                view->setSelectionMode(QAbstractItemView::ExtendedSelection);
                // The dialog calls its button "Open" whenever a folder is selected (to enter
                // it); here the button chooses whatever is selected.
                connect(view->selectionModel(), &QItemSelectionModel::selectionChanged, this,
                        &FilesAndFoldersDialog::renameAcceptButton, Qt::QueuedConnection);
            }
        filesAndFolders_ = true;
    }

    QStringList chosen() const { return chosen_.isEmpty() ? selectedFiles() : chosen_; }

    void accept() override {
        if (filesAndFolders_) {
            chosen_ = selectedInViews();
            if (!chosen_.isEmpty()) {
                QDialog::accept();
                return;
            }
        }
        QFileDialog::accept();
    }

  private:
    void renameAcceptButton() {
        if (auto* buttons = findChild<QDialogButtonBox*>("buttonBox"))
            if (QPushButton* accept = buttons->button(QDialogButtonBox::Open))
                accept->setText(QCoreApplication::translate("QtOpenPanel", "Choose"));
    }

    QStringList selectedInViews() const {
        auto* model = findChild<QFileSystemModel*>();
        QStringList paths;
        QSet<QString> seen;
        for (QAbstractItemView* view : findChildren<QAbstractItemView*>()) {
            if (!view->isVisible() || !view->selectionModel() || view->model() != model)
                continue;
            for (const QModelIndex& index : view->selectionModel()->selectedRows()) {
                const QString path = model->filePath(index);
                if (!seen.contains(path)) {
                    seen.insert(path);
                    paths << path;
                }
            }
        }
        return paths;
    }

    bool filesAndFolders_ = false;
    QStringList chosen_;
};

} // namespace

std::optional<std::vector<std::string>> QtOpenPanel::runOpenPanel(const OpenPanelOptions& options) {
    FilesAndFoldersDialog dialog(parent_, windowText(options.title),
                                 QFile::decodeName(options.directory.c_str()));
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    if (options.canChooseFiles && options.canChooseDirectories)
        dialog.allowFilesAndFolders();
    else if (options.canChooseDirectories) {
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, true);
    } else
        dialog.setFileMode(options.allowsMultipleSelection ? QFileDialog::ExistingFiles
                                                           : QFileDialog::ExistingFile);
    // After the mode, which sets a label of its own.
    dialog.setLabelText(QFileDialog::Accept, QCoreApplication::translate("QtOpenPanel", "Choose"));
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    std::vector<std::string> paths;
    for (const QString& path : dialog.chosen())
        paths.push_back(QFile::encodeName(path).toStdString());
    if (paths.empty())
        return std::nullopt;
    return paths;
}

} // namespace orvane
