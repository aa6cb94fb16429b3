#include "ui/ImageAndTextCell.h"

#include <QApplication>
#include <QIcon>
#include <QPainter>
#include <QStyle>

namespace orvane {

ImageAndTextCell::ImageAndTextCell(QObject* parent)
    : QStyledItemDelegate(parent), font_(QApplication::font()) {}

void ImageAndTextCell::initStyleOption(QStyleOptionViewItem* option,
                                       const QModelIndex& index) const {
    QStyledItemDelegate::initStyleOption(option, index);
    option->font = font_;
    option->fontMetrics = QFontMetrics(font_);
    option->displayAlignment = Qt::AlignLeft | Qt::AlignVCenter;
    option->decorationPosition = QStyleOptionViewItem::Left;
    if (!image_.isNull()) {
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = QIcon(image_);
        option->decorationSize = image_.deviceIndependentSize().toSize();
    }
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!image_.isNull())
        size.setHeight(qMax(size.height(), image_.deviceIndependentSize().toSize().height() + 2));
    return size;
}

QPixmap folderImage(qreal devicePixelRatio) {
    QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
    if (folder.isNull())
        folder = QApplication::style()->standardIcon(QStyle::SP_DirIcon);

    QPixmap image(QSize(30, 16) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(QPoint(10, 0), folder.pixmap(QSize(16, 16), devicePixelRatio));
    return image;
}

} // namespace orvane
