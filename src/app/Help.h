#pragma once
// Where the help command and the support command lead.
#include <QString>

namespace vantrel {

// The project's support page; the one place it is written.
inline const QString kSupportPage = QStringLiteral("https://support.vantrel.invalid/");

// The manual beside the program.
inline QString HelpFile(const QString& programFolder) {
    return programFolder + QStringLiteral("/help/index.html");
}

}  // namespace vantrel
