#include "platform/qt/Translation.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QRegularExpression>
#include <QTranslator>

namespace orvane {
namespace {

QString translated(const QString& source) {
    return QCoreApplication::translate("Orvane", source.toUtf8().constData());
}

// One line: translated whole, else as the template its values make of it, the values
// numbered in their order ("Removed 3 files from “Photos”." as "Removed %1 files from %2.").
QString translatedLine(const QString& source) {
    if (const QString whole = translated(source); whole != source)
        return whole;
    // The values of base/WindowText.h: names in curly quotes (or a card's label in straight
    // ones), web addresses, counts with their thousands separators and byte sizes.
    static const QRegularExpression kValue(QString::fromUtf8(
        "\u201c[^\u201d]*\u201d|(?<![A-Za-z])'[^']*'(?![A-Za-z])|https?://[^\\s]*[^\\s.,]|"
        "\\d+(?:,\\d{3})*(?:\\.\\d+)?(?: (?:bytes|kB|MB|GB|TB))?"));
    QString pattern;
    QStringList values;
    qsizetype end = 0;
    for (auto match = kValue.globalMatch(source); match.hasNext();) {
        const QRegularExpressionMatch value = match.next();
        pattern +=
            source.mid(end, value.capturedStart() - end) + '%' + QString::number(values.size() + 1);
        values << value.captured();
        end = value.capturedEnd();
    }
    if (values.isEmpty() || values.size() > 9)
        return source;
    pattern += source.mid(end);
    QString result = translated(pattern);
    if (result == pattern)
        return source;
    // Filled one placeholder at a time: a value is never read again as a placeholder.
    QString filled;
    for (qsizetype i = 0; i < result.size(); ++i) {
        const int index =
            result[i] == '%' && i + 1 < result.size() ? result[i + 1].digitValue() : -1;
        if (index >= 1 && index <= values.size()) {
            filled += values[index - 1];
            ++i;
        } else {
            filled += result[i];
        }
    }
    return filled;
}

} // namespace

void installTranslations(QCoreApplication& app) {
    const QLocale locale;
    auto* own = new QTranslator(&app);
    if (own->load(locale, "orvane", "_", ":/i18n"))
        QCoreApplication::installTranslator(own);
    else
        delete own;
    auto* qt = new QTranslator(&app);
    if (qt->load(locale, "qtbase", "_", QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
}

QString windowText(const std::string& text) {
    const QString source = QString::fromStdString(text);
    if (!source.contains('\n'))
        return translatedLine(source);
    if (const QString whole = translatedLine(source); whole != source)
        return whole;
    // An alert's paragraphs and lists are translated line by line.
    QStringList lines = source.split('\n');
    for (QString& line : lines)
        line = translatedLine(line);
    return lines.join('\n');
}

} // namespace orvane
