#include "ui/KelWell.h"

#include "platform/qt/FileIcons.h"

#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QPainter>
#include <QUrl>

namespace orvane {

KelWell::KelWell(QWidget* parent) : QFrame(parent) {
    setAcceptDrops(true);
    setFrameShape(QFrame::StyledPanel);
    setFrameShadow(QFrame::Sunken);
    // A larger window gives the wells the room: the icon stays centred in them.
    setSizePolicy(QSizePolicy::Expanding, QSizePolicy::Expanding);
    setMinimumSize(sizeHint());
}

QSize KelWell::sizeHint() const {
    return {kIconSize + 24, kIconSize + 24};
}

void KelWell::setPlaceholderText(const QString& text) {
    placeholderText_ = text;
    update();
}

namespace {

// The raw path of a file URI ("file:///p", "file://localhost/p"), its escapes decoded to
// bytes so that names that are not valid UTF-8 arrive unchanged; none for other URIs.
std::optional<std::string> pathOfFileUri(QByteArray uri) {
    uri = uri.trimmed();
    if (!uri.toLower().startsWith("file:"))
        return std::nullopt;
    QByteArray rest = uri.mid(5);
    if (rest.startsWith("//")) {
        rest = rest.mid(2);
        const qsizetype slash = rest.indexOf('/');
        if (slash < 0)
            return std::nullopt;
        const QByteArray host = rest.left(slash).toLower();
        if (!host.isEmpty() && host != "localhost")
            return std::nullopt;
        rest = rest.mid(slash);
    }
    if (!rest.startsWith('/') || rest.contains('?') || rest.contains('#'))
        return std::nullopt;
    const QByteArray path = QByteArray::fromPercentEncoding(rest);
    if (path.contains('\0'))
        return std::nullopt;
    return path.toStdString();
}

} // namespace

std::optional<std::vector<std::string>> KelWell::arrayFromPasteboard(const QMimeData* data) {
    if (!data || !data->hasUrls())
        return std::nullopt;
    std::vector<std::string> paths;
    if (data->hasFormat("text/uri-list")) {
        // The list as the file manager wrote it, one URI a line, "#" lines being comments.
        for (const QByteArray& line : data->data("text/uri-list").split('\n')) {
            if (line.trimmed().isEmpty() || line.startsWith('#'))
                continue;
            std::optional<std::string> path = pathOfFileUri(line);
            if (!path)
                return std::nullopt;
            paths.push_back(std::move(*path));
        }
    } else {
        for (const QUrl& url : data->urls()) {
            if (!url.isLocalFile() || url.toLocalFile().isEmpty())
                return std::nullopt;
            paths.push_back(QFile::encodeName(url.toLocalFile()).toStdString());
        }
    }
    if (paths.empty())
        return std::nullopt;
    return paths;
}

bool KelWell::acceptsDrop(const QMimeData* data, Qt::DropActions offered) {
    const auto paths = arrayFromPasteboard(data);
    if (!paths)
        return false;
    if (delegate_ && !delegate_->well(*this, *paths))
        return false;
    return offered.testFlag(Qt::CopyAction);
}

void KelWell::dragEnterEvent(QDragEnterEvent* event) {
    if (!acceptsDrop(event->mimeData(), event->possibleActions())) {
        event->ignore();
        return;
    }
    setHighlighted(true);
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void KelWell::dragMoveEvent(QDragMoveEvent* event) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
}

void KelWell::dragLeaveEvent(QDragLeaveEvent*) {
    setHighlighted(false);
}

void KelWell::dropEvent(QDropEvent* event) {
    setHighlighted(false);
    // The state may have changed since the drag entered (a run started from the keyboard).
    if (!acceptsDrop(event->mimeData(), event->possibleActions())) {
        event->ignore();
        return;
    }
    setFilenames(*arrayFromPasteboard(event->mimeData()));
    event->setDropAction(Qt::CopyAction);
    event->accept();
    emit activated();
}

void KelWell::setFilenames(const std::vector<std::string>& filenames) {
    if (filenames == filenames_)
        return;
    filenames_ = filenames;
    image_ = iconForFiles(filenames_, kIconSize);
    ++imageChanges_;
    update();
}

void KelWell::setHighlighted(bool on) {
    if (highlighted_ == on)
        return;
    highlighted_ = on;
    update();
}

void KelWell::paintEvent(QPaintEvent* event) {
    QFrame::paintEvent(event);
    QPainter painter(this);
    painter.setRenderHint(QPainter::Antialiasing);
    const QRect inside = contentsRect().adjusted(4, 4, -4, -4);
    if (highlighted_) {
        QColor fill = palette().color(QPalette::Highlight);
        fill.setAlpha(60);
        painter.setPen(QPen(palette().color(QPalette::Highlight), 2));
        painter.setBrush(fill);
        painter.drawRoundedRect(inside, 6, 6);
    }
    if (!filenames_.empty() && !image_.isNull()) {
        const QSize size = image_.deviceIndependentSize().toSize().scaled(
            inside.size().boundedTo(QSize(kIconSize, kIconSize)), Qt::KeepAspectRatio);
        QRect target(QPoint(0, 0), size);
        target.moveCenter(inside.center());
        painter.drawPixmap(target, image_);
    } else if (!placeholderText_.isEmpty()) {
        painter.setPen(palette().color(QPalette::PlaceholderText));
        painter.drawText(inside.adjusted(8, 8, -8, -8), Qt::AlignCenter | Qt::TextWordWrap,
                         placeholderText_);
    }
}

} // namespace orvane
