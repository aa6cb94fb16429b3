#pragma once

#include <QCache>
#include <QHash>
#include <QImage>
#include <QMutex>
#include <QObject>
#include <QPixmap>
#include <QSet>
#include <QThread>
#include <QWaitCondition>
#include <memory>

namespace orvane {

class Thumbnailer;

// Small pictures of files, at most 96 pixels on their long side, read on a thread of its
// own and cached for the life of the loader: HEIF/AVIF, raw files and videos through the
// platform's thumbnailer, the other pictures through Qt's image reader. Requests come from the rows
// being painted; the newest are read first and those waiting too long are dropped (a row scrolled
// back into view asks again).
class ThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr int kSize = 96;

    // `thumbnailer`: the readers of the kinds Qt does not read; the platform's by default.
    explicit ThumbnailLoader(QObject* parent = nullptr,
                             std::shared_ptr<const Thumbnailer> thumbnailer = nullptr);
    ~ThumbnailLoader() override;

    // Whether a reader knows the file's kind by its name.
    bool canRead(const QString& path) const;

    // The cached picture; none yet: a read is queued and `loaded` follows.
    const QPixmap* thumbnail(const QString& path);
    // The cached picture, without asking for a read: what a row's size is measured by.
    const QPixmap* cached(const QString& path) const { return cache_.object(path); }

    // Reads one file as the thread does; a null image when it gives none.
    QImage read(const QString& path) const;

  signals:
    void loaded(const QString& path);

  private:
    void run();
    void deliver(const QString& path, const QImage& image);

    std::shared_ptr<const Thumbnailer> thumbnailer_;
    QThread* thread_ = nullptr;
    QMutex mutex_;
    QWaitCondition wake_;
    QStringList pending_; // newest last
    bool stopping_ = false;
    QSet<QString> requested_;
    QCache<QString, QPixmap> cache_;
};

} // namespace orvane
