// Vantrel: the engine on the sound device, the desk on real time, its window and its place on the
// desktop bus. The program itself sits above every module.
#include <QApplication>
#include <QDir>
#include <QFileInfo>
#include <QTimer>
#include <QUrl>
#include <QWidget>
#include <cstdio>

#include "app/Desk.h"
#include "app/ProgramFolder.h"
#include "app/ProgramOptions.h"
#include "app/ShutdownSignals.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtDialogs.h"
#include "audio/Engine.h"
#include "base/FilePath.h"
#include "base/Scheduler.h"
#include "desktop/MediaPlayerService.h"
#include "desktop/ProgramInstance.h"

int main(int argc, char** argv) {
    QStringList arguments;
    // As bytes kept: a file named on the line need not be UTF-8.
    for (int i = 1; i < argc; ++i) arguments << vantrel::PathFromBytes(argv[i]);
    const vantrel::ProgramOptions flags = vantrel::readProgramOptions(arguments);
    if (!flags.error.isEmpty()) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(flags.error));
        return 2;
    }
    if (flags.help) {
        std::fputs(qPrintable(vantrel::programUsage()), stdout);
        return 0;
    }
    if (flags.version) {
        std::printf("vantrel %d.%d.%d\n", VANTREL_VERSION_MAJOR, VANTREL_VERSION_MINOR,
                    VANTREL_VERSION_PATCH);
        return 0;
    }
    vantrel::broadcast::StreamSettings streamSettings;
    if (QString why; !vantrel::streamSettingsFromOptions(flags, streamSettings, why)) {
        std::fprintf(stderr, "vantrel: %s\n", qPrintable(why));
        return 2;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantrel::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(VANTREL_VERSION_MAJOR)
                                            .arg(VANTREL_VERSION_MINOR)
                                            .arg(VANTREL_VERSION_PATCH));
    QApplication::setDesktopFileName(QStringLiteral(VANTREL_APP_ID));

    // What the line names, as absolute paths, since a program already running may take them.
    QStringList items;
    for (const QString& file : flags.files) {
        const QString path = file.startsWith(QLatin1String("file:"))
                                 ? QUrl(file).toLocalFile()
                                 : QFileInfo(file).absoluteFilePath();
        if (vantrel::PathExists(path))
            items << QDir::cleanPath(path);
        else
            std::fprintf(stderr, "vantrel: %s: no such file or folder\n", qPrintable(file));
    }
    // One program per playlist: a later start hands its items to the first and ends there.
    vantrel::ProgramInstance instance;
    if (!flags.newInstance) {
        QString why;
        const QString playlist = vantrel::DefaultPlaylistPath(vantrel::ProgramFolder());
        switch (instance.claim(playlist, items, &why)) {
            case vantrel::ProgramInstance::Role::HandedOn:
                return 0;
            case vantrel::ProgramInstance::Role::NoAnswer:
                std::fprintf(stderr,
                             "vantrel: Vantrel runs already with this playlist but does not "
                             "answer (%s); --new-instance opens a window of its own\n",
                             qPrintable(why));
                return 1;
            case vantrel::ProgramInstance::Role::Alone:
            case vantrel::ProgramInstance::Role::First:
                break;
        }
    }

    // A logout or `kill` shuts down like the close box, so the playlist is saved. Installed
    // first: a signal during start-up waits in its socket until the event loop runs (a modal
    // box at start-up, like the mixer's message, runs one), and the shutdown follows once the
    // window exists.
    vantrel::MainWindow* window = nullptr;
    bool shutdownRequested = false;
    const auto closeModalBoxes = [] {
        // A modal box (about box, file dialog, message) would hold the shutdown.
        for (int i = 0; i < 8; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            modal->close();
        }
    };
    vantrel::QtDialogs dialogs;
    // Messages of the start-up (a list file that cannot be read whole, no mixer) wait for the
    // window, so that an unattended start never stops at a box with no window and no bus.
    dialogs.holdMessages();
    // Offscreen nobody can answer a box: a headless radio says on stderr what a box would show,
    // and goes on (a machine without a mixer would otherwise wait at start-up for a click).
    if (QGuiApplication::platformName() == QLatin1String("offscreen")) dialogs.setUnattended(true);
    vantrel::ShutdownSignals termination([&](int) {
        shutdownRequested = true;
        dialogs.setUnattended(true);
        dialogs.releaseMessages(window);
        closeModalBoxes();
        if (window) window->unload();
    });

    vantrel::RealScheduler scheduler;
    // The Device output falls back to the Null output by itself when there is no sound device.
    vantrel::audio::Engine engine(vantrel::audio::EngineOptions{});
    vantrel::Desk desk(engine, scheduler, dialogs, vantrel::ProgramFolder());
    desk.mixer().setTrimSilence(flags.trimSilence);
    desk.mixer().setLevelLoudness(flags.levelLoudness);
    desk.mixer().setFadeAtOutro(flags.fadeAtOutro);
    desk.mixer().setMatchBeats(flags.matchBeats);
    // The mix goes on air and on disk from the start, before the window shows.
    desk.onAir().setSettings(streamSettings);
    if (!flags.stream.isEmpty()) desk.onAir().startStream(streamSettings);
    if (!flags.record.isEmpty()) desk.onAir().startRecording(flags.record);
    vantrel::MainWindow mainWindow(desk);
    window = &mainWindow;
    if (shutdownRequested) {
        mainWindow.unload();
        return 0;
    }
    // The day's programme, once the default playlist is read: a shuffle, and a start inside
    // the scheduled hours, act on it.
    desk.applyProgramme(flags.repeat, flags.shuffle, flags.jingles, flags.startAt, flags.stopAt);
    // Media keys and the desktop's player controls; without a session bus (a bare X server) the
    // program runs as before, saying so in one line.
    vantrel::MediaPlayerService mediaPlayer(desk, [&mainWindow] { mainWindow.bringToFront(); });
    if (QString why; !mediaPlayer.publish(&why))
        qWarning("vantrel: no media player interface on the session bus: %s", qPrintable(why));
    mainWindow.show();
    if (!items.isEmpty()) mainWindow.addItems(items);
    instance.serve([&mainWindow](const QStringList& paths) { mainWindow.addItems(paths); },
                   [&mainWindow] { mainWindow.bringToFront(); });
    // Once the loop runs: --play first, so the music starts while a box waits for its click.
    QTimer::singleShot(0, &mainWindow, [&desk, play = flags.play] {
        if (play) desk.playOnStart();
    });
    QTimer::singleShot(0, &mainWindow,
                       [&dialogs, &mainWindow] { dialogs.releaseMessages(&mainWindow); });
    const int status = app.exec();
    instance.serve({}, {});  // the window goes first; later requests find no one
    return status;
}
