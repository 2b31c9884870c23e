#pragma once
// A file system that answers like a network mount gone bad (tests/support/slow-mount): `a.mp3`
// whose reads each take `readDelay` seconds, and the folder `hung` whose listing takes `hang`.
#include <QDir>
#include <QFileInfo>
#include <QProcess>
#include <QtTest>
#include <csignal>

namespace vantrel::test {

class SlowMount {
public:
    // False where no file system can be mounted (no FUSE, not root).
    bool start(const QString& at, double readDelay, double hang, const QString& content = {}) {
        QDir().mkpath(at);
        at_ = at;
        process_.start(qEnvironmentVariable("VANTREL_SOURCE_DIR") + "/tests/support/slow-mount",
                       {at, "4096", QString::number(readDelay), QString::number(hang), content});
        if (!process_.waitForStarted()) return false;
        QElapsedTimer t;
        for (t.start(); t.elapsed() < 5000; QTest::qWait(50))
            if (QFileInfo::exists(at + "/hung")) return true;
        return false;
    }
    // From now on every read waits until thaw(), as on a mount whose server stopped answering.
    void freeze() { ::kill(pid_t(process_.processId()), SIGSTOP); }
    void thaw() { ::kill(pid_t(process_.processId()), SIGCONT); }
    ~SlowMount() {
        thaw();
        process_.terminate();  // unmounts; whatever waited on it gets an error
        if (process_.state() == QProcess::NotRunning || process_.waitForFinished(3000)) return;
        process_.kill();
        QProcess::execute("fusermount", {"-u", "-z", at_});
    }
    QString file() const { return at_ + "/a.mp3"; }

private:
    QString at_;
    QProcess process_;
};

}  // namespace vantrel::test
