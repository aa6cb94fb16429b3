#include "ui/ImageAndTextCell.h"

#include <QApplication>
#include <QIcon>
#include <QMimeDatabase>
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
    if (const QPixmap image = imageFor(index); !image.isNull()) {
        option->features |= QStyleOptionViewItem::HasDecoration;
        option->icon = QIcon(image);
        option->decorationSize = image.deviceIndependentSize().toSize();
    }
}

QPixmap ImageAndTextCell::imageFor(const QModelIndex& index) const {
    if (rowImage_)
        if (QPixmap own = rowImage_(index); !own.isNull())
            return own;
    return image_;
}

QSize ImageAndTextCell::sizeHint(const QStyleOptionViewItem& option,
                                 const QModelIndex& index) const {
    QSize size = QStyledItemDelegate::sizeHint(option, index);
    if (!image_.isNull())
        size.setHeight(qMax(size.height(), image_.deviceIndependentSize().toSize().height() + 2));
    return size;
}

namespace {

QPixmap indentedImage(const QIcon& icon, qreal devicePixelRatio) {
    QPixmap image(QSize(30, 16) * devicePixelRatio);
    image.setDevicePixelRatio(devicePixelRatio);
    image.fill(Qt::transparent);
    QPainter painter(&image);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    painter.drawPixmap(QPoint(10, 0), icon.pixmap(QSize(16, 16), devicePixelRatio));
    return image;
}

} // namespace

QPixmap folderImage(qreal devicePixelRatio) {
    QIcon folder = QIcon::fromTheme(QStringLiteral("folder"));
    if (folder.isNull())
        folder = QApplication::style()->standardIcon(QStyle::SP_DirIcon);
    return indentedImage(folder, devicePixelRatio);
}

QPixmap fileImage(const QString& name, qreal devicePixelRatio) {
    const QMimeType type = QMimeDatabase().mimeTypeForFile(name, QMimeDatabase::MatchExtension);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    return indentedImage(icon, devicePixelRatio);
}

} // namespace orvane
