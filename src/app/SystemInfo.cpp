#include "app/SystemInfo.h"

#include <QProcess>
#include <QStandardPaths>

#include "base/Dialogs.h"

namespace vantrel {

QStringList SystemInfoTools() {
    return {QStringLiteral("hardinfo2"),
            QStringLiteral("hardinfo"),
            QStringLiteral("kinfocenter"),
            QStringLiteral("gnome-system-monitor"),
            QStringLiteral("mate-system-monitor"),
            QStringLiteral("xfce4-taskmanager"),
            QStringLiteral("lxtask")};
}

QString FindSystemInfoTool() {
    for (const QString& tool : SystemInfoTools()) {
        const QString path = QStandardPaths::findExecutable(tool);
        if (!path.isEmpty()) return path;
    }
    return {};
}

void StartSysInfo(Dialogs& dialogs) {
    const QString tool = FindSystemInfoTool();
    if (!tool.isEmpty() && QProcess::startDetached(tool, {})) return;
    dialogs.message(kApplicationTitle, kSysInfoUnavailable, Dialogs::Icon::NoIcon);
}

}  // namespace vantrel
