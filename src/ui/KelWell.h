#pragma once

#include "app/DropWell.h"

#include <QFrame>
#include <QPixmap>
#include <optional>

class QMimeData;

namespace orvane {

// A drop well: takes local files and folders dragged from a file manager, shows their
// icon at 128 by 128, and reports a drop through `activated` once the well has stored it.
// Its delegate decides which drops it takes; a drag must offer copying.
class KelWell : public QFrame, public DropWell {
    Q_OBJECT
    Q_PROPERTY(QString placeholderText READ placeholderText WRITE setPlaceholderText)

  public:
    static constexpr int kIconSize = 128;

    explicit KelWell(QWidget* parent = nullptr);

    // The local paths that `data` carries, in its order, or none when it carries no URLs
    // or any URL that is not a local file.
    static std::optional<std::vector<std::string>> arrayFromPasteboard(const QMimeData* data);

    const std::vector<std::string>& filenames() const override { return filenames_; }
    void setFilenames(const std::vector<std::string>& filenames) override;

    DropWellDelegate* delegate() const { return delegate_; }
    void setDelegate(DropWellDelegate* delegate) { delegate_ = delegate; }

    QString placeholderText() const { return placeholderText_; }
    void setPlaceholderText(const QString& text);

    bool isHighlighted() const { return highlighted_; }
    // The number of times the icon was redrawn for a new list.
    int imageChanges() const { return imageChanges_; }
    const QPixmap& image() const { return image_; }

    QSize sizeHint() const override;
    QSize minimumSizeHint() const override { return sizeHint(); }

  signals:
    void activated();

  protected:
    void dragEnterEvent(QDragEnterEvent* event) override;
    void dragMoveEvent(QDragMoveEvent* event) override;
    void dragLeaveEvent(QDragLeaveEvent* event) override;
    void dropEvent(QDropEvent* event) override;
    void paintEvent(QPaintEvent* event) override;

  private:
    bool acceptsDrop(const QMimeData* data, Qt::DropActions offered);
    void setHighlighted(bool on);

    std::vector<std::string> filenames_;
    DropWellDelegate* delegate_ = nullptr;
    QPixmap image_;
    QString placeholderText_;
    bool highlighted_ = false;
    int imageChanges_ = 0;
};

} // namespace orvane
