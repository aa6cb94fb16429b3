#include "platform/qt/XbelRecentDocuments.h"

#include "base/Log.h"
#include "base/Paths.h"
#include "base/StringHelpers.h"

#include <QDir>
#include <QDomDocument>
#include <QFile>
#include <QFileInfo>
#include <QMimeDatabase>
#include <QSaveFile>

namespace orvane {

namespace {

constexpr const char* kBookmarkNamespace = "http://www.freedesktop.org/standards/desktop-bookmarks";
constexpr const char* kMimeNamespace = "http://www.freedesktop.org/standards/shared-mime-info";
constexpr const char* kApplicationName = "Orvane";

// The characters a file URI keeps as they are besides letters, digits and "-._~".
constexpr const char* kUriSafe = "/!$&'()*+,;=:@";

QString fileUri(const std::string& path) {
    return "file://" +
           QString::fromLatin1(QByteArray::fromStdString(path).toPercentEncoding(kUriSafe));
}

// The raw path a file URI names, so that URIs escaped differently by other programs still
// name the same file.
QByteArray pathOfUri(const QString& uri) {
    if (!uri.startsWith("file://"))
        return {};
    QByteArray rest = uri.mid(7).toLatin1();
    if (!rest.startsWith('/')) // file://host/path
        rest = rest.mid(rest.indexOf('/'));
    return QByteArray::fromPercentEncoding(rest);
}

QDomElement childNamed(const QDomElement& parent, const QString& name) {
    return parent.firstChildElement(name);
}

QDomElement ensureChild(QDomDocument& doc, QDomElement parent, const QString& name) {
    QDomElement child = childNamed(parent, name);
    if (child.isNull())
        child = parent.appendChild(doc.createElement(name)).toElement();
    return child;
}

QString timestamp(const QDateTime& time) {
    return time.toUTC().toString(Qt::ISODateWithMs);
}

} // namespace

std::string XbelRecentDocuments::defaultFile() {
    const QByteArray dataHome = qgetenv("XDG_DATA_HOME");
    if (!dataHome.isEmpty() && dataHome.startsWith('/'))
        return dataHome.toStdString() + "/recently-used.xbel";
    return homeDirectory() + "/.local/share/recently-used.xbel";
}

void XbelRecentDocuments::noteNewRecentDocument(const std::string& path) {
    if (auto error = addRecentDocument(file_, path, QDateTime::currentDateTimeUtc()))
        logMessage(LOG_WARN, "Could not add '%s' to the recent documents in '%s': %s",
                   safeCString(path).c_str(), safeCString(file_).c_str(), error->c_str());
}

std::optional<std::string> XbelRecentDocuments::addRecentDocument(const std::string& file,
                                                                  const std::string& path,
                                                                  const QDateTime& now) {
    const QString fileName = QFile::decodeName(file.c_str());
    QDomDocument doc;
    QFile existing(fileName);
    if (existing.exists()) {
        if (!existing.open(QIODevice::ReadOnly))
            return "cannot read the list: " + existing.errorString().toStdString();
        QString message;
        int line = 0;
        const QByteArray data = existing.readAll();
        if (!data.trimmed().isEmpty() && !doc.setContent(data, false, &message, &line))
            return "the list is not valid XML (line " + std::to_string(line) + ": " +
                   message.toStdString() + "); left unchanged";
    }
    if (doc.documentElement().isNull()) {
        doc.appendChild(
            doc.createProcessingInstruction("xml", "version=\"1.0\" encoding=\"UTF-8\""));
        QDomElement root = doc.createElement("xbel");
        root.setAttribute("version", "1.0");
        doc.appendChild(root);
    }
    QDomElement root = doc.documentElement();
    if (root.tagName() != "xbel")
        return "the list's root element is not xbel; left unchanged";
    if (!root.hasAttribute("xmlns:bookmark"))
        root.setAttribute("xmlns:bookmark", kBookmarkNamespace);
    if (!root.hasAttribute("xmlns:mime"))
        root.setAttribute("xmlns:mime", kMimeNamespace);

    const QString stamp = timestamp(now);
    const QByteArray rawPath = QByteArray::fromStdString(path);
    QDomElement bookmark;
    for (QDomElement b = root.firstChildElement("bookmark"); !b.isNull();
         b = b.nextSiblingElement("bookmark"))
        if (pathOfUri(b.attribute("href")) == rawPath) {
            bookmark = b;
            break;
        }
    if (bookmark.isNull()) {
        bookmark = root.appendChild(doc.createElement("bookmark")).toElement();
        bookmark.setAttribute("href", fileUri(path));
        bookmark.setAttribute("added", stamp);
    }
    bookmark.setAttribute("modified", stamp);
    bookmark.setAttribute("visited", stamp);

    QDomElement metadata;
    QDomElement info = ensureChild(doc, bookmark, "info");
    for (QDomElement m = info.firstChildElement("metadata"); !m.isNull();
         m = m.nextSiblingElement("metadata"))
        if (m.attribute("owner") == "http://freedesktop.org")
            metadata = m;
    if (metadata.isNull()) {
        metadata = info.appendChild(doc.createElement("metadata")).toElement();
        metadata.setAttribute("owner", "http://freedesktop.org");
    }
    QDomElement mime = childNamed(metadata, "mime:mime-type");
    if (mime.isNull()) {
        mime = metadata.appendChild(doc.createElement("mime:mime-type")).toElement();
        const QString local = QFile::decodeName(rawPath);
        mime.setAttribute("type", QFileInfo(local).isDir()
                                      ? QString("inode/directory")
                                      : QMimeDatabase().mimeTypeForFile(local).name());
    }
    QDomElement applications = ensureChild(doc, metadata, "bookmark:applications");
    QDomElement application;
    for (QDomElement a = applications.firstChildElement("bookmark:application"); !a.isNull();
         a = a.nextSiblingElement("bookmark:application"))
        if (a.attribute("name") == kApplicationName)
            application = a;
    if (application.isNull()) {
        application =
            applications.appendChild(doc.createElement("bookmark:application")).toElement();
        application.setAttribute("name", kApplicationName);
        application.setAttribute("exec", "'orvane %u'");
        application.setAttribute("count", 0);
    }
    application.setAttribute("modified", stamp);
    application.setAttribute("count", application.attribute("count").toInt() + 1);

    QDir().mkpath(QFileInfo(fileName).absolutePath());
    QSaveFile out(fileName);
    if (!out.open(QIODevice::WriteOnly))
        return "cannot write the list: " + out.errorString().toStdString();
    out.write(doc.toByteArray(2));
    if (!out.commit())
        return "cannot write the list: " + out.errorString().toStdString();
    return std::nullopt;
}

} // namespace orvane
