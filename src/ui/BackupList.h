#pragma once

#include "prefs/PrefsView.h"

#include <QWidget>

class QLabel;
class QListWidget;
class QPushButton;

namespace orvane {

// The preferences' "Also copy to" list: folders that get a second copy of every run, each
// with a checkbox that lets a run leave it out without forgetting it.
class BackupList : public QWidget {
    Q_OBJECT
  public:
    explicit BackupList(QWidget* parent = nullptr);

    std::vector<PrefsView::BackupChoice> choices() const;
    void setChoices(const std::vector<PrefsView::BackupChoice>& choices);
    // The explanation below the list, drawn like the window's other hints.
    QLabel* hint() const { return hint_; }

  private:
    void addFolder();
    void addChoice(const PrefsView::BackupChoice& choice);

    QListWidget* list_;
    QPushButton* remove_;
    QLabel* hint_;
};

} // namespace orvane
