#pragma once

#include <memory>

class QPrinter;
class QTextDocument;
class QWidget;

namespace orvane {

// A copy of `text` laid out on the printable area of the printer's page, in the printer's
// units; the original and its layout on screen stay as they are.
std::unique_ptr<QTextDocument> resizedCopy(const QTextDocument& text, QPrinter& printer);

// Prints a reflowed copy of `text` after the print dialog (which also offers printing to
// a PDF file); answers whether it was printed.
bool printResizedCopy(const QTextDocument& text, QWidget* parent);
// The same without the dialog, to a printer set up by the caller.
void printResizedCopy(const QTextDocument& text, QPrinter& printer);

} // namespace orvane
