#include "ui/BackupList.h"

#include <QFileDialog>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QVBoxLayout>

namespace orvane {

BackupList::BackupList(QWidget* parent)
    : QWidget(parent), list_(new QListWidget(this)), remove_(new QPushButton(tr("Remove"), this)) {
    auto* add = new QPushButton(tr("Add\u2026"), this);
    hint_ = new QLabel(tr("Each checked folder gets the same folders and file names as the "
                          "destination. A folder that isn't there when a run starts (a "
                          "drive not plugged in) is named before anything is copied."),
                       this);
    hint_->setWordWrap(true);

    auto* buttons = new QHBoxLayout;
    buttons->addWidget(add);
    buttons->addWidget(remove_);
    buttons->addStretch();
    auto* layout = new QVBoxLayout(this);
    layout->addWidget(new QLabel(tr("Also copy to:"), this));
    layout->addWidget(list_);
    layout->addLayout(buttons);
    layout->addWidget(hint_);

    remove_->setEnabled(false);
    connect(add, &QPushButton::clicked, this, &BackupList::addFolder);
    connect(remove_, &QPushButton::clicked, this, [this] { qDeleteAll(list_->selectedItems()); });
    connect(list_, &QListWidget::itemSelectionChanged, this,
            [this] { remove_->setEnabled(!list_->selectedItems().isEmpty()); });
}

std::vector<PrefsView::BackupChoice> BackupList::choices() const {
    std::vector<PrefsView::BackupChoice> choices;
    for (int row = 0; row < list_->count(); ++row) {
        const QListWidgetItem* item = list_->item(row);
        choices.push_back(
            {item->data(Qt::UserRole).toString().toStdString(), item->checkState() == Qt::Checked});
    }
    return choices;
}

void BackupList::setChoices(const std::vector<PrefsView::BackupChoice>& choices) {
    list_->clear();
    for (const PrefsView::BackupChoice& choice : choices)
        addChoice(choice);
}

void BackupList::addChoice(const PrefsView::BackupChoice& choice) {
    const QString path = QString::fromStdString(choice.path);
    auto* item = new QListWidgetItem(path, list_);
    item->setData(Qt::UserRole, path);
    item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
    item->setCheckState(choice.enabled ? Qt::Checked : Qt::Unchecked);
}

void BackupList::addFolder() {
    const QString folder = QFileDialog::getExistingDirectory(this, tr("Choose a Backup Folder"));
    if (folder.isEmpty())
        return;
    for (const PrefsView::BackupChoice& choice : choices())
        if (choice.path == folder.toStdString())
            return;
    addChoice({folder.toStdString(), true});
}

} // namespace orvane
