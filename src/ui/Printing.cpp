#include "ui/Printing.h"

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QPrintDialog>
#include <QPrinter>
#include <QTextDocument>

namespace orvane {

std::unique_ptr<QTextDocument> resizedCopy(const QTextDocument& text, QPrinter& printer) {
    std::unique_ptr<QTextDocument> copy(text.clone());
    // Laid out in the printer's own units, one page of the copy is one printed page.
    copy->documentLayout()->setPaintDevice(&printer);
    copy->setDefaultFont(text.defaultFont());
    copy->setPageSize(QSizeF(printer.width(), printer.height()));
    return copy;
}

void printResizedCopy(const QTextDocument& text, QPrinter& printer) {
    resizedCopy(text, printer)->print(&printer);
}

bool printResizedCopy(const QTextDocument& text, QWidget* parent) {
    QPrinter printer(QPrinter::HighResolution);
    QPrintDialog dialog(&printer, parent);
    dialog.setWindowTitle(QCoreApplication::translate("ReportWindow", "Print Report"));
    if (dialog.exec() != QDialog::Accepted)
        return false;
    printResizedCopy(text, printer);
    return true;
}

} // namespace orvane
