#include "ui/ThumbnailLoader.h"

#include "platform/thumbnails/FileThumbnailer.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageIOHandler>
#include <QImageReader>
#include <QMetaObject>
#include <QTransform>
#include <algorithm>

namespace orvane {
namespace {
// Requests beyond this many are for rows long scrolled past.
constexpr int kMaxPending = 120;
// About 60 MB of pictures.
constexpr int kCacheCost = 60 * 1024 * 1024;

QImage fitted(QImage image) {
    const int size = ThumbnailLoader::kSize;
    if (!image.isNull() && (image.width() > size || image.height() > size))
        image = image.scaled(size, size, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

// EXIF orientations 1-8 as Qt's image transformations: mirrored first, then turned.
QImageIOHandler::Transformations transformationOf(int orientation) {
    switch (orientation) {
    case 2:
        return QImageIOHandler::TransformationMirror;
    case 3:
        return QImageIOHandler::TransformationRotate180;
    case 4:
        return QImageIOHandler::TransformationFlip;
    case 5:
        return QImageIOHandler::TransformationFlipAndRotate90;
    case 6:
        return QImageIOHandler::TransformationRotate90;
    case 7:
        return QImageIOHandler::TransformationMirrorAndRotate90;
    case 8:
        return QImageIOHandler::TransformationRotate270;
    default:
        return QImageIOHandler::TransformationNone;
    }
}

QImage oriented(QImage image, int orientation) {
    const QImageIOHandler::Transformations turn = transformationOf(orientation);
    const bool mirror = turn & QImageIOHandler::TransformationMirror;
    const bool flip = turn & QImageIOHandler::TransformationFlip;
    if (mirror || flip)
        image = image.mirrored(mirror, flip);
    if (turn & QImageIOHandler::TransformationRotate90)
        image = image.transformed(QTransform().rotate(90));
    return image;
}

// The picture a platform reader found, decoded at about the size shown.
QImage imageOf(const Thumbnail& thumbnail) {
    QImage image;
    if (!thumbnail.encoded.empty()) {
        QByteArray bytes = QByteArray::fromRawData(
            thumbnail.encoded.data(), static_cast<qsizetype>(thumbnail.encoded.size()));
        QBuffer buffer(&bytes);
        QImageReader reader(&buffer);
        // The orientation is the file's, not that of the preview inside it.
        reader.setAutoTransform(false);
        const QSize size = reader.size();
        if (size.isValid())
            reader.setScaledSize(
                size.scaled(ThumbnailLoader::kSize, ThumbnailLoader::kSize, Qt::KeepAspectRatio));
        image = reader.read();
    } else if (thumbnail.width > 0 && thumbnail.height > 0 &&
               thumbnail.rgb.size() >= size_t(thumbnail.width) * size_t(thumbnail.height) * 3) {
        // A view of the reader's pixels, copied once it is its final size.
        const QImage pixels(thumbnail.rgb.data(), thumbnail.width, thumbnail.height,
                            thumbnail.width * 3, QImage::Format_RGB888);
        image = fitted(pixels);
        if (image.constBits() == pixels.constBits())
            image = pixels.copy();
    }
    return image.isNull() ? image : oriented(fitted(image), thumbnail.orientation);
}

} // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent, std::shared_ptr<const Thumbnailer> thumbnailer)
    : QObject(parent),
      thumbnailer_(thumbnailer ? std::move(thumbnailer) : std::make_shared<FileThumbnailer>()),
      cache_(kCacheCost) {
    thread_ = QThread::create([this] { run(); });
    thread_->start(QThread::LowPriority);
}

ThumbnailLoader::~ThumbnailLoader() {
    {
        QMutexLocker lock(&mutex_);
        stopping_ = true;
        wake_.wakeAll();
    }
    thread_->wait();
    delete thread_;
}

bool ThumbnailLoader::canRead(const QString& path) const {
    if (thumbnailer_->reads(QFile::encodeName(path).toStdString()))
        return true;
    static const QList<QByteArray> formats = QImageReader::supportedImageFormats();
    const QByteArray suffix = QFileInfo(path).suffix().toLower().toLatin1();
    return !suffix.isEmpty() && formats.contains(suffix);
}

const QPixmap* ThumbnailLoader::thumbnail(const QString& path) {
    if (const QPixmap* cached = cache_.object(path))
        return cached;
    QMutexLocker lock(&mutex_);
    if (!requested_.contains(path)) {
        requested_.insert(path);
        pending_.append(path);
        while (pending_.size() > kMaxPending)
            requested_.remove(pending_.takeFirst());
        wake_.wakeOne();
    }
    return nullptr;
}

QImage ThumbnailLoader::read(const QString& path) const {
    const std::string name = QFile::encodeName(path).toStdString();
    if (thumbnailer_->reads(name)) {
        const std::optional<Thumbnail> thumbnail = thumbnailer_->read(name, kSize);
        return thumbnail ? imageOf(*thumbnail) : QImage();
    }
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(kSize, kSize, Qt::KeepAspectRatio));
    return fitted(reader.read());
}

void ThumbnailLoader::run() {
    for (;;) {
        QString path;
        {
            QMutexLocker lock(&mutex_);
            while (pending_.isEmpty() && !stopping_)
                wake_.wait(&mutex_);
            if (stopping_)
                return;
            path = pending_.takeLast();
        }
        const QImage image = read(path);
        QMetaObject::invokeMethod(
            this, [this, path, image] { deliver(path, image); }, Qt::QueuedConnection);
    }
}

void ThumbnailLoader::deliver(const QString& path, const QImage& image) {
    {
        QMutexLocker lock(&mutex_);
        requested_.remove(path);
    }
    // A file that cannot be read keeps an empty picture, so it is not read again.
    auto* pixmap = new QPixmap(QPixmap::fromImage(image));
    cache_.insert(path, pixmap, std::max<qsizetype>(1, pixmap->width() * pixmap->height() * 4));
    emit loaded(path);
}

} // namespace orvane
