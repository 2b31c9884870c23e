// Vantrel: the engine on the sound device, the desk on real time, and its window.
#include <QApplication>
#include <QWidget>

#include "app/Desk.h"
#include "app/ProgramFolder.h"
#include "app/Scheduler.h"
#include "app/ShutdownSignals.h"
#include "app/ui/MainWindow.h"
#include "app/ui/QtDialogs.h"
#include "audio/Engine.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    QApplication::setApplicationName(vantrel::kApplicationTitle);
    QApplication::setApplicationVersion(QStringLiteral("%1.%2.%3")
                                            .arg(VANTREL_VERSION_MAJOR)
                                            .arg(VANTREL_VERSION_MINOR)
                                            .arg(VANTREL_VERSION_PATCH));
    QApplication::setDesktopFileName(QStringLiteral("vantrel"));

    vantrel::RealScheduler scheduler;
    // The Device output falls back to the Null output by itself when there is no sound device.
    vantrel::audio::Engine engine(vantrel::audio::EngineOptions{});
    vantrel::QtDialogs dialogs;
    vantrel::Desk desk(engine, scheduler, dialogs, vantrel::ProgramFolder());
    vantrel::MainWindow window(desk);

    // A logout or `kill` shuts down like the close box, so the playlist is saved.
    vantrel::ShutdownSignals termination([&window](int) {
        // A modal box (about box, a file dialog) would hold the shutdown; close it first.
        for (int i = 0; i < 8; ++i) {
            QWidget* modal = QApplication::activeModalWidget();
            if (!modal) break;
            modal->close();
        }
        window.unload();
    });

    window.show();
    return app.exec();
}
