#pragma once
// The about box's system-information button: the first system-information tool found on PATH is
// started on its own; without one, the user is told so.
#include <QString>
#include <QStringList>

namespace vantrel {

class Dialogs;

inline const QString kSysInfoUnavailable =
    QStringLiteral("System Information Is Unavailable At This Time");

// In order of preference: the dedicated hardware reports first, then the desktops' own tools.
QStringList SystemInfoTools();

// The full path of the first tool on PATH, "" when there is none.
QString FindSystemInfoTool();

// Starts the tool detached, without waiting; a missing tool or a failed start shows the one
// message, with an OK button only.
void StartSysInfo(Dialogs& dialogs);

}  // namespace vantrel
