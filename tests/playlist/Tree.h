#pragma once
// Builds small folder trees for the search tests: "sub/x.mp3" makes a file, "sub/" a folder.
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QStringList>

namespace vantrel::test {

inline bool makeTree(const QString& root, const QStringList& entries) {
    for (const QString& e : entries) {
        const QString full = root + QLatin1Char('/') + e;
        if (e.endsWith(QLatin1Char('/'))) {
            if (!QDir().mkpath(full)) return false;
            continue;
        }
        QDir().mkpath(QFileInfo(full).path());
        QFile f(full);
        if (!f.open(QIODevice::WriteOnly)) return false;
        f.write("x");
    }
    return true;
}

}  // namespace vantrel::test
