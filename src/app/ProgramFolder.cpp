#include "app/ProgramFolder.h"

#include <unistd.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace vantrel {

QString ProgramFolder() {
    QString folder = QCoreApplication::applicationDirPath();
    while (folder.size() > 1 && folder.endsWith(QLatin1Char('/'))) folder.chop(1);
    return folder;
}

QString UserDataFolder() {
    // XDG says a relative XDG_DATA_HOME is invalid and must be ignored.
    QString base = qEnvironmentVariable("XDG_DATA_HOME");
    if (base.isEmpty() || QDir::isRelativePath(base))
        base = qEnvironmentVariable("HOME") + QStringLiteral("/.local/share");
    return QDir::cleanPath(base + QStringLiteral("/vantrel"));
}

QString DefaultPlaylistPath(const QString& programFolder) {
    // The writer replaces the file by a rename, so what matters is whether a new file can be
    // made in the folder, not whether the old file is writable.
    const QByteArray native = QFile::encodeName(programFolder);
    if (!programFolder.isEmpty() && ::access(native.constData(), W_OK | X_OK) == 0)
        return programFolder + QStringLiteral("/default.kvl");
    return UserDataFolder() + QStringLiteral("/default.kvl");
}

bool EnsureFolderFor(const QString& file) {
    const QString folder = QFileInfo(file).absolutePath();
    return QDir().mkpath(folder);
}

}  // namespace vantrel
