#include "platform/qt/FileIcons.h"

#include <QApplication>
#include <QFile>
#include <QFileIconProvider>
#include <QFileInfo>
#include <QIcon>
#include <QMimeDatabase>
#include <QPainter>
#include <QStyle>

namespace orvane {

namespace {

QIcon iconForFile(const std::string& path) {
    const QFileInfo info(QFile::decodeName(path.c_str()));
    if (info.isDir())
        return QIcon::fromTheme("folder", QApplication::style()->standardIcon(QStyle::SP_DirIcon));
    const QIcon fallback = info.exists() ? QFileIconProvider().icon(info)
                                         : QApplication::style()->standardIcon(QStyle::SP_FileIcon);
    if (!info.exists())
        return QIcon::fromTheme("text-x-generic", fallback);
    const QMimeType type = QMimeDatabase().mimeTypeForFile(info);
    QIcon icon = QIcon::fromTheme(type.iconName());
    if (icon.isNull())
        icon = QIcon::fromTheme(type.genericIconName());
    if (icon.isNull())
        icon = QIcon::fromTheme("text-x-generic", fallback);
    return icon;
}

} // namespace

QPixmap iconForFiles(const std::vector<std::string>& paths, int size) {
    QPixmap pixmap(size, size);
    pixmap.fill(Qt::transparent);
    if (paths.empty())
        return pixmap;
    if (paths.size() == 1)
        return iconForFile(paths.front()).pixmap(size, size);

    const QIcon multiple = QIcon::fromTheme("document-multiple");
    if (!multiple.isNull())
        return multiple.pixmap(size, size);
    // A stack of up to three icons, the first in front, each offset up and to the right.
    const int count = static_cast<int>(std::min<size_t>(paths.size(), 3));
    const int step = size / 8;
    const int inner = size - step * (count - 1);
    QPainter painter(&pixmap);
    painter.setRenderHint(QPainter::SmoothPixmapTransform);
    for (int i = count - 1; i >= 0; --i) {
        const QPixmap one = iconForFile(paths[static_cast<size_t>(i)]).pixmap(inner, inner);
        painter.drawPixmap(QRect(step * i, step * (count - 1 - i), inner, inner), one);
    }
    return pixmap;
}

} // namespace orvane
