#pragma once
// Where the help command and the support command lead.
#include <QString>

namespace vantrel {

// The manual beside the program.
inline QString HelpFile(const QString& programFolder) {
    return programFolder + QStringLiteral("/help/index.html");
}

// Support: the manual's section on getting help and reporting problems, which is there offline.
inline const QString kSupportSection = QStringLiteral("support");

}  // namespace vantrel
