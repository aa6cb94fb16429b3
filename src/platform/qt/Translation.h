#pragma once

#include <QString>
#include <string>

class QCoreApplication;

namespace orvane {

// Installs the translation of the user's language (QLocale), built into the program, and
// Qt's own for its standard dialogs when the system has it. English needs none.
void installTranslations(QCoreApplication& app);

// A text a presenter handed over, in the user's language: the core marks such texts with
// ORVANE_TRANSLATE_NOOP in the context "Orvane" (base/WindowText.h). A text with counts is
// looked up with %1, %2 … in their places ("Copied (12)" as "Copied (%1)"). Texts without a
// translation (a file name, an error of the system) are shown as they are.
QString windowText(const std::string& text);

} // namespace orvane
