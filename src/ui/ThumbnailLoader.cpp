#include "ui/ThumbnailLoader.h"

#include <QFileInfo>
#include <QImageReader>
#include <QMetaObject>
#include <algorithm>

namespace orvane {
namespace {
// Requests beyond this many are for rows long scrolled past.
constexpr int kMaxPending = 120;
// About 60 MB of pictures.
constexpr int kCacheCost = 60 * 1024 * 1024;
} // namespace

ThumbnailLoader::ThumbnailLoader(QObject* parent) : QObject(parent), cache_(kCacheCost) {
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

bool ThumbnailLoader::canRead(const QString& path) {
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

QImage ThumbnailLoader::read(const QString& path) {
    QImageReader reader(path);
    reader.setAutoTransform(true);
    const QSize size = reader.size();
    if (size.isValid())
        reader.setScaledSize(size.scaled(kSize, kSize, Qt::KeepAspectRatio));
    QImage image = reader.read();
    if (!image.isNull() && (image.width() > kSize || image.height() > kSize))
        image = image.scaled(kSize, kSize, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
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
