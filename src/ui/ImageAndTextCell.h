#pragma once

#include <QFont>
#include <QPixmap>
#include <QStyledItemDelegate>
#include <functional>

namespace orvane {

// A cell that shows an image to the left of a text: the image is the cell's own, set by
// whoever makes the cell; the text is the model's display value for the row.
class ImageAndTextCell : public QStyledItemDelegate {
    Q_OBJECT
  public:
    explicit ImageAndTextCell(QObject* parent = nullptr);

    void setImage(const QPixmap& image) { image_ = image; }
    // An image of a row's own, where it answers one; the cell's image otherwise.
    void setRowImage(std::function<QPixmap(const QModelIndex&)> rowImage) {
        rowImage_ = std::move(rowImage);
    }
    const QPixmap& image() const { return image_; }
    void setFont(const QFont& font) { font_ = font; }

    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;

  protected:
    void initStyleOption(QStyleOptionViewItem* option, const QModelIndex& index) const override;

  private:
    QPixmap imageFor(const QModelIndex& index) const;

    QPixmap image_;
    std::function<QPixmap(const QModelIndex&)> rowImage_;
    QFont font_;
};

// A folder icon of 16 by 16 drawn 10 points from the left of a transparent image of 30 by
// 16, so that names in a tree stand a little apart from the branch lines.
QPixmap folderImage(qreal devicePixelRatio = 1.0);
// The same for a file, with the icon theme's icon for its type by the name's extension (an
// image icon for photos).
QPixmap fileImage(const QString& name, qreal devicePixelRatio = 1.0);

} // namespace orvane
