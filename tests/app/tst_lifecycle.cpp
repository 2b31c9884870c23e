// Start-up and shutdown: a failing step not stopping the others, the default playlist kept
// across runs and on a termination signal, and where it lives. Saving during a mix is the
// whole-program test's.
#include <signal.h>
#include <unistd.h>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QtTest>

#include <stdexcept>

#include "e2e/ProgramCopy.h"
#include "support/DeskFixture.h"

using namespace vantrel;

class LifecycleTest : public QObject {
    Q_OBJECT
    std::unique_ptr<test::DeskFixture> f;

    // The icons of the "Error" boxes shown so far.
    QList<Dialogs::Icon> errorBoxes() const {
        QList<Dialogs::Icon> icons;
        for (const auto& m : f->dialogs.messages)
            if (m.title == QLatin1String("Error")) icons << m.icon;
        return icons;
    }
    // Whether the program catches SIGTERM yet (exec resets the setpriv before it): its handler
    // goes in right after QApplication.
    static bool catchesTerm(pid_t pid) {
        const QByteArray st = test::readFile(QStringLiteral("/proc/%1/status").arg(pid));
        const qsizetype at = st.indexOf("\nSigCgt:\t") + 9;
        return at >= 9 && (st.mid(at, 16).toULongLong(nullptr, 16) >> (SIGTERM - 1) & 1);
    }
    // The program started again on the same folder: a new desk on the fixture's engine and clock.
    Desk& restart() {
        f->desk.reset();
        f->dialogs.messages.clear();
        f->desk = std::make_unique<Desk>(*f->engine, f->scheduler, f->dialogs, f->folder.path());
        f->desk->onLoad({});
        return *f->desk;
    }

private slots:
    void init() { f = std::make_unique<test::DeskFixture>(); }
    void cleanup() { f.reset(); }

    void startUpGoesOnPastAFailingStepAndStartsNothing_data() {
        QTest::addColumn<bool>("menuFails");
        QTest::addColumn<QString>("failingMeter");
        QTest::newRow("every step works") << false << QString();
        QTest::newRow("the menu fails") << true << QString();
        QTest::newRow("a meter image fails") << false << "VUleft2";
    }
    void startUpGoesOnPastAFailingStepAndStartsNothing() {
        QFETCH(bool, menuFails);
        QFETCH(QString, failingMeter);
        bool menu = false;
        QStringList meters;
        ViewSteps view;
        view.buildMenu = [&] {
            if (menuFails) throw std::runtime_error("no menu");
            menu = true;
        };
        view.setMeterImage = [&](const QString& meter, const QString& image) {
            if (meter == failingMeter) throw std::runtime_error("bad image");
            QCOMPARE(image, f->folder.path() + QStringLiteral("/util/keysec.dat"));
            meters << meter;
        };
        f->desk->onLoad(view);
        QCOMPARE(menu, !menuFails);
        QStringList shown{"VUleft", "VUleft2", "VUright", "VUright2"};
        shown.removeOne(failingMeter);
        meters.sort();  // which meters, in any order
        QCOMPARE(meters, shown);
        // Nothing plays and no deck is loaded until the user asks.
        QVERIFY(f->bothStopped() && !f->deck(0).playing() && !f->deck(1).playing() &&
                !f->desk->decks().deck2InFront() && f->deck(0).song().length == 0 &&
                f->deck(0).song().path.isEmpty() && f->deck(1).song().path.isEmpty());
    }

    // --play with a folder named on the command line: the music starts once its songs are in.
    void playOnStartWaitsForTheCommandLine() {
        f->desk->onLoad({});
        QVERIFY(QDir(f->folder.path()).mkpath(QStringLiteral("music")));
        f->tone(QStringLiteral("music/one.wav"), 5);
        f->desk->addCommandLineItems({QStringLiteral("music")}, f->folder.path());
        f->desk->playOnStart();
        f->advance(2000);  // a big folder: the decks tick on while it is walked
        QTRY_VERIFY(!f->desk->playlistCommands().dropAdder().busy());
        QVERIFY(f->runUntil([&] { return !f->bothStopped(); }, 3000));
    }

    // A folder that takes no list for a while (a full or read-only disk): the file keeps the list
    // as it was and nothing is said; once it can be written the list is on the disk, and a save
    // at exit that fails says so.
    void aListThatCannotBeWrittenWaitsForTheDisk() {
        const QString file = f->folder.filePath(QStringLiteral("default.kvl"));
        f->desk->onLoad({});
        f->add(QStringLiteral("/music/one.mp3"), "One");
        f->advance(1000);
        QTRY_COMPARE(test::readFile(file), ListFileBytes(f->playlist().entries()));
        const QByteArray one = test::readFile(file);
        // What takes the write first cannot be written, even by root.
        const QString blocked =
            file + ".saving-" + QString::number(QCoreApplication::applicationPid());
        QVERIFY(QDir().mkdir(blocked));
        f->add(QStringLiteral("/music/two.mp3"), "Two");
        f->advance(1000);
        QTest::qWait(500);
        QCOMPARE(test::readFile(file), one);
        QVERIFY(QDir().rmdir(blocked));
        QTRY_COMPARE_WITH_TIMEOUT(test::readFile(file), ListFileBytes(f->playlist().entries()),
                                  10000);
        QVERIFY(errorBoxes().isEmpty());
        QVERIFY(QDir().mkdir(blocked));
        f->playlist().removeAt(0);
        f->desk->onUnload({});
        QCOMPARE(errorBoxes().size(), 1);
        QCOMPARE(restart().playlist().count(), 2);
        QVERIFY(QDir().rmdir(blocked));
    }

    // Answered before any window or sound: no display is needed.
    void commandLineAnswersWithoutADisplay_data() {
        QTest::addColumn<QString>("argument");
        QTest::addColumn<int>("status");
        QTest::addColumn<QString>("out");  // a pattern for stdout
        QTest::addColumn<QString>("err");  // for stderr
        // clang-format off
        QTest::newRow("version") << "--version" << 0 << "^vantrel \\d+\\.\\d+\\.\\d+\\n$" << "^$";
        QTest::newRow("help") << "--help" << 0 << "^usage: vantrel .*--new-instance.*--version" << "^$";
        QTest::newRow("unknown flag") << "--shufle" << 2 << "^$" << "^vantrel: [^\\n]*--shufle[^\\n]*\\n$";
        // clang-format on
    }
    void commandLineAnswersWithoutADisplay() {
        QFETCH(QString, argument);
        QFETCH(int, status);
        QFETCH(QString, out);
        QFETCH(QString, err);
        QProcess p;
        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        for (const char* name : {"DISPLAY", "WAYLAND_DISPLAY", "QT_QPA_PLATFORM"}) env.remove(name);
        p.setProcessEnvironment(env);
        p.start(qEnvironmentVariable("VANTREL_BUILD_DIR") + "/vantrel", {argument});
        QVERIFY(p.waitForFinished(30000));
        QCOMPARE(p.exitCode(), status);
        const auto shows = [](const QString& pattern, const QByteArray& text) {
            return QRegularExpression(pattern, QRegularExpression::DotMatchesEverythingOption)
                .match(QString::fromUtf8(text))
                .hasMatch();
        };
        QVERIFY(shows(out, p.readAllStandardOutput()));
        QVERIFY(shows(err, p.readAllStandardError()));
    }

    // The default list beside a writable program folder, kept from run to run. None on the first
    // run: it starts empty without a word. One that cannot be read whole says so, and what was read
    // is the playlist, saved clean, so the next run reads it without a word; the first save keeps
    // the file as it was beside it (the latest damaged one only). Emptied, the list leaves an empty
    // file and the next run an empty playlist.
    void theDefaultListIsKept_data() {
        QTest::addColumn<QByteArray>("bytes");  // null: no file
        QTest::addColumn<int>("read");
        QTest::addColumn<bool>("damaged");
        QTest::newRow("first run") << QByteArray() << 0 << false;
        QTest::newRow("whole") << QByteArray("a\r\n/a\r\n") << 1 << false;
        QTest::newRow("odd line count") << QByteArray("a\r\n/a\r\nb\r\n") << 1 << true;
        QTest::newRow("NUL bytes") << QByteArray("a\r\n/a\0\r\n", 9) << 1 << true;
        QTest::newRow("UTF-16") << QByteArray("\xFF\xFE\x61\0\n\0/\0\x61\0\n\0", 12) << 1 << true;
        QByteArray full;
        for (int i = 0; i <= Playlist::kMaxEntries; ++i) full += "t\n/p\n";
        QTest::newRow("over the limit") << full << int(Playlist::kMaxEntries) << true;
    }
    void theDefaultListIsKept() {
        QFETCH(QByteArray, bytes);
        QFETCH(int, read);
        QFETCH(bool, damaged);
        const QString file = f->folder.filePath(QStringLiteral("default.kvl"));
        QCOMPARE(f->desk->defaultPlaylist(), file);
        QVERIFY((bytes.isNull() || test::writeFile(file, bytes)) &&
                test::writeFile(file + ".damaged", "older"));
        f->desk->onLoad({});
        QVERIFY(QFileInfo::exists(file));
        QCOMPARE(errorBoxes().size(), damaged ? 1 : 0);
        QCOMPARE(f->playlist().count(), read);
        if (read == 1) QCOMPARE(f->playlist().entries().first(), (Playlist::Entry{"a", "/a"}));
        if (read < Playlist::kMaxEntries)
            f->add(QStringLiteral("/music/one.mp3"), "Sigur Rós – Hoppípolla, live (MP3 file)");
        else
            f->playlist().removeAt(0);
        f->advance(1000);
        QTRY_COMPARE(test::readFile(file), ListFileBytes(f->playlist().entries()));
        QCOMPARE(test::readFile(file + ".damaged"), damaged ? bytes : "older");
        f->desk->onUnload({});
        QCOMPARE(test::readFile(file + ".damaged"), damaged ? bytes : "older");
        QCOMPARE(errorBoxes().size(), damaged ? 1 : 0);
        const QList<Playlist::Entry> kept = f->playlist().entries();
        Desk& run = restart();
        QCOMPARE(run.playlist().entries(), kept);
        QVERIFY(errorBoxes().isEmpty());
        run.runMenuCommand(MenuCommand::NewPlaylist);
        run.onUnload({});
        QCOMPARE(QFileInfo(file).size(), 0);
        QCOMPARE(restart().playlist().count(), 0);
    }

    void theRealProgramSavesOnATerminationSignal_data() {
        QTest::addColumn<QString>("xdg");     // XDG_DATA_HOME, "~" for the home folder; "" unset
        QTest::addColumn<QString>("listAt");  // below the home folder
        QTest::addColumn<bool>("firstRun");
        // clang-format off
        // Installed: the program folder cannot be written (the whole-program test keeps the list
        // beside it).
        QTest::newRow("installed, first run") << "~/xdg" << "xdg/vantrel/default.kvl" << true;
        QTest::newRow("installed, trailing slash") << "~/xdg/" << "xdg/vantrel/default.kvl" << false;
        QTest::newRow("installed, no XDG folder") << QString() << ".local/share/vantrel/default.kvl" << false;
        QTest::newRow("installed, relative XDG folder is ignored") << "data" << ".local/share/vantrel/default.kvl" << false;
        // clang-format on
    }
    void theRealProgramSavesOnATerminationSignal() {
        QFETCH(QString, xdg);
        QFETCH(QString, listAt);
        QFETCH(bool, firstRun);
        test::ProgramCopy program;
        QVERIFY(program.ok());
        QTemporaryDir home;
        const QString list = home.filePath(listAt);
        if (!firstRun) {
            QVERIFY(QDir().mkpath(QFileInfo(list).path()));
            test::ProgramCopy::writeList(list, {"One (Wav file)", "/music/one.wav",
                                                "Two, live (Wav file)", "/music/two.wav"});
        }
        // Root writes anywhere, so the program then runs as "nobody", owning its home.
        const bool asNobody = ::geteuid() == 0;
        for (QString path = list; asNobody && path.size() >= home.path().size();
             path = QFileInfo(path).path())
            if (QFileInfo::exists(path))
                QCOMPARE(::chown(QFile::encodeName(path), 65534, 65534), 0);
        if (!asNobody) QFile::setPermissions(program.folder(), QFile::ReadOwner | QFile::ExeOwner);

        qputenv("QT_QPA_PLATFORM", "offscreen");
        QProcess p;
        program.start(p, home.path(), xdg.replace(u'~', home.path()), asNobody);
        QVERIFY(p.waitForStarted());
        // A pid of 0 would signal our own process group (ctest, the CI shell): never send that.
        const pid_t pid = pid_t(p.processId());
        // Sent before the program catches it, the signal would end it on the spot; start-up on a
        // busy machine can take many seconds.
        QTRY_VERIFY_WITH_TIMEOUT(catchesTerm(pid) || p.state() != QProcess::Running, 60000);
        QVERIFY2(pid > 0 && p.state() == QProcess::Running, "the program ended before the signal");
        QCOMPARE(::kill(pid, SIGTERM), 0);
        QVERIFY2(p.waitForFinished(15000), "the program did not end on the signal");
        QCOMPARE(p.exitStatus(), QProcess::NormalExit);
        QCOMPARE(p.exitCode(), 0);
        QFile::setPermissions(program.folder(),
                              QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        QVERIFY(!QFileInfo::exists(program.defaultPlaylist()));
        // Rewritten by the shutdown: the writer's own line ends.
        QVERIFY(QFileInfo::exists(list));
        QCOMPARE(test::readFile(list),
                 firstRun ? QByteArray()
                          : "One (Wav file)\r\n/music/one.wav\r\nTwo, live (Wav file)\r\n"
                            "/music/two.wav\r\n");
    }
};

QTEST_MAIN(LifecycleTest)
#include "tst_lifecycle.moc"
