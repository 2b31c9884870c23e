// Vantrel: the engine on the sound device, the desk on real time, its window and its place on the
// desktop bus. The program itself sits above every module.
#include <QApplication>
#include <QWidget>
#include <cstdio>
#include <cstring>

#include "app/Desk.h"
#include "app/ProgramFolder.h"
#include "app/ShutdownSignals.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtDialogs.h"
#include "audio/Engine.h"
#include "base/Scheduler.h"
#include "desktop/MediaPlayerService.h"

namespace {

constexpr const char* kUsage =
    "usage: vantrel [--trim-silence] [--level-loudness]\n"
    "\n"
    "Two decks that mix the playlist by themselves, song into song.\n"
    "\n"
    "  --trim-silence    mix on a song's audible part: its fade starts from where its sound ends\n"
    "                    (the last point above -50 dBFS) instead of from its length, the next\n"
    "                    song comes in where its sound begins, and a song that is silence\n"
    "                    throughout is passed over\n"
    "  --level-loudness  bring every song towards one loudness (-18 LUFS, by its ReplayGain or\n"
    "                    R128 tags or by measuring it), at most 12 dB up or down\n"
    "  -h, --help        show this text\n"
    "\n"
    "Both last for the run and can also be turned on and off at the end of the Effects menu.\n";

struct ProgramFlags {
    bool trimSilence = false, levelLoudness = false, help = false;
};

// Read before the window system starts, so that --help works without a display. Anything else
// on the line is left to Qt.
ProgramFlags readFlags(int argc, char** argv) {
    ProgramFlags flags;
    for (int i = 1; i < argc; ++i) {
        if (!std::strcmp(argv[i], "--trim-silence")) flags.trimSilence = true;
        if (!std::strcmp(argv[i], "--level-loudness")) flags.levelLoudness = true;
        if (!std::strcmp(argv[i], "--help") || !std::strcmp(argv[i], "-h")) flags.help = true;
    }
    return flags;
}

}  // namespace

int main(int argc, char** argv) {
    const ProgramFlags flags = readFlags(argc, argv);
    if (flags.help) {
        std::fputs(kUsage, stdout);
        return 0;
    }
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantrel::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(VANTREL_VERSION_MAJOR)
                                            .arg(VANTREL_VERSION_MINOR)
                                            .arg(VANTREL_VERSION_PATCH));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));

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
    vantrel::ShutdownSignals termination([&](int) {
        shutdownRequested = true;
        dialogs.setUnattended(true);
        closeModalBoxes();
        if (window) window->unload();
    });

    vantrel::RealScheduler scheduler;
    // The Device output falls back to the Null output by itself when there is no sound device.
    vantrel::audio::Engine engine(vantrel::audio::EngineOptions{});
    vantrel::Desk desk(engine, scheduler, dialogs, vantrel::ProgramFolder());
    desk.mixer().setTrimSilence(flags.trimSilence);
    desk.mixer().setLevelLoudness(flags.levelLoudness);
    vantrel::MainWindow mainWindow(desk);
    window = &mainWindow;
    if (shutdownRequested) {
        mainWindow.unload();
        return 0;
    }
    // Media keys and the desktop's player controls; without a session bus (a bare X server) the
    // program runs as before, saying so in one line.
    vantrel::MediaPlayerService mediaPlayer(desk, [&mainWindow] {
        if (mainWindow.isMinimized()) mainWindow.showNormal();
        mainWindow.raise();
        mainWindow.activateWindow();
    });
    if (QString why; !mediaPlayer.publish(&why))
        qWarning("vantrel: no media player interface on the session bus: %s", qPrintable(why));
    mainWindow.show();
    return app.exec();
}
