#pragma once
// A throw-away program folder for running the real program: a copy of the built executable
// (its folder is the program folder) with the build's samples, meter image and manual beside it.
#include <QDir>
#include <QFile>
#include <QProcess>
#include <QTemporaryDir>
#include <QtTest>

#include "support/AudioFiles.h"

namespace vantrel::test {

class ProgramCopy {
public:
    ProgramCopy() {
        const QString build = qEnvironmentVariable("VANTREL_BUILD_DIR");
        ok_ = dir_.isValid() && !build.isEmpty() &&
              QFile::copy(build + QStringLiteral("/vantrel"), executable());
        for (const char* part : {"samples", "util", "help"})
            QFile::link(build + QLatin1Char('/') + QLatin1String(part),
                        dir_.filePath(QLatin1String(part)));
        // Other users (the unwritable-folder case) must be able to enter and run it.
        QFile::setPermissions(dir_.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner |
                                               QFile::ReadGroup | QFile::ExeGroup |
                                               QFile::ReadOther | QFile::ExeOther);
    }

    bool ok() const { return ok_; }
    QString folder() const { return dir_.path(); }
    QString executable() const { return dir_.filePath(QStringLiteral("vantrel")); }
    QString defaultPlaylist() const { return dir_.filePath(QStringLiteral("default.kvl")); }

    // Starts the copy with its own HOME, XDG_DATA_HOME ("": unset) and PATH (null: kept), plus
    // NAME=VALUE `settings`; as "nobody", who cannot reach the test sound server's private files
    // and so runs silent.
    void start(QProcess& p, const QString& home, const QString& xdg, bool asNobody = false,
               const QString& path = {}, const QStringList& settings = {},
               QProcess::ProcessChannelMode channels = QProcess::ForwardedErrorChannel,
               const QStringList& args = {}) const {
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("HOME"), home);
        env.remove(QStringLiteral("XDG_DATA_HOME"));
        if (!xdg.isEmpty()) env.insert(QStringLiteral("XDG_DATA_HOME"), xdg);
        if (!path.isNull()) env.insert(QStringLiteral("PATH"), path);
        for (const QString& key : env.keys())
            if (asNobody && (key.startsWith("PULSE_") || key.startsWith("ALSA_"))) env.remove(key);
        for (const QString& setting : settings)
            env.insert(setting.section(QLatin1Char('='), 0, 0),
                       setting.section(QLatin1Char('='), 1));
        p.setProcessEnvironment(env);
        p.setProcessChannelMode(channels);
        if (asNobody)
            p.start("setpriv", QStringList{"--reuid=65534", "--regid=65534", "--clear-groups", "--",
                                           executable()} +
                                   args);
        else
            p.start(executable(), args);
    }

    // Writes a list file the way another program might: LF line ends.
    static void writeList(const QString& file, const QStringList& lines) {
        QByteArray bytes;
        for (const QString& l : lines) bytes += l.toUtf8() + '\n';
        QVERIFY(writeFile(file, bytes));
    }

private:
    QTemporaryDir dir_;
    bool ok_ = false;
};

// The copied program running with a home folder of its own; `path` replaces PATH, `env` adds
// NAME=VALUE settings.
struct Program {
    explicit Program(const ProgramCopy& copy, const QString& path = {}, const QStringList& env = {},
                     QProcess::ProcessChannelMode channels = QProcess::ForwardedChannels,
                     const QStringList& args = {}) {
        copy.start(process, home.path(), home.filePath(QStringLiteral("xdg")), false, path, env,
                   channels, args);
    }
    ~Program() {
        if (process.state() != QProcess::NotRunning) {
            process.kill();
            process.waitForFinished();
        }
    }
    QTemporaryDir home;
    QProcess process;
};

}  // namespace vantrel::test
