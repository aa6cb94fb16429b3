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

namespace orvane {

// Small pictures of image files, read by Qt's image reader at 96 pixels on a thread of its
// own and cached for the life of the loader. Requests come from the rows being painted;
// the newest are read first and those waiting too long are dropped (a row scrolled back
// into view asks again).
class ThumbnailLoader : public QObject {
    Q_OBJECT
  public:
    static constexpr int kSize = 96;

    explicit ThumbnailLoader(QObject* parent = nullptr);
    ~ThumbnailLoader() override;

    // Whether the reader knows the file's kind by its name (HEIC only with a plugin for it).
    static bool canRead(const QString& path);

    // The cached picture; none yet: a read is queued and `loaded` follows.
    const QPixmap* thumbnail(const QString& path);

    // Reads one file as the thread does.
    static QImage read(const QString& path);

  signals:
    void loaded(const QString& path);

  private:
    void run();
    void deliver(const QString& path, const QImage& image);

    QThread* thread_ = nullptr;
    QMutex mutex_;
    QWaitCondition wake_;
    QStringList pending_; // newest last
    bool stopping_ = false;
    QSet<QString> requested_;
    QCache<QString, QPixmap> cache_;
};

} // namespace orvane
