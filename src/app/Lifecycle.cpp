#include "app/Lifecycle.h"

#include <QDebug>
#include <exception>

#include "app/Desk.h"
#include "app/ProgramFolder.h"
#include "playlist/ListFile.h"

namespace vantrel {

namespace {

// One start-up or shut-down step: a failure is logged for the developer and skipped, so the
// steps after it still run.
template <typename F>
void step(const char* what, F&& f) {
    try {
        f();
    } catch (const std::exception& e) {
        qWarning("vantrel: %s failed: %s", what, e.what());
    } catch (...) {
        qWarning("vantrel: %s failed", what);
    }
}

}  // namespace

void Form_Load(Desk& desk, const ViewSteps& view) {
    step("loading the default playlist",
         [&] { LoadList(desk.playlist, desk.defaultPlaylist, desk.dialogs); });
    step("clearing the remembered folders", [&] {
        desk.LastAudioFolder.clear();
        desk.samples.LastSampleFolder.clear();
    });
    step("building the menu", [&] {
        if (view.BuildMenu) view.BuildMenu();
    });
    step("pointing the sample lists at their folders",
         [&] { desk.samples.SetSampleFolders(desk.programFolder); });
    step("opening the system mixer", [&] { desk.OpenSystemMixer(); });
    step("initialising DMC", [&] { desk.DMC.Initialize(nullptr, 44100, false, false); });
    step("initialising dmcSample",
         [&] { desk.dmcSample.Initialize(nullptr, 44100, false, false); });
    const QString image = desk.programFolder + QStringLiteral("/util/keysec.dat");
    for (const char* meter : kMeterOrder) {
        step("loading a meter image", [&] {
            if (view.setMeterImage) view.setMeterImage(QLatin1String(meter), image);
        });
    }
}

void Form_Unload(Desk& desk, const ViewSteps& view) {
    if (desk.unloading) return;
    desk.unloading = true;
    step("shutting DMC down", [&] { desk.DMC.Shutdown(); });
    step("shutting dmcSample down", [&] { desk.dmcSample.Shutdown(); });
    step("saving the default playlist", [&] {
        // The user data folder is made on demand: an installed program's first exit creates it.
        EnsureFolderFor(desk.defaultPlaylist);
        SaveList(desk.playlist, desk.defaultPlaylist, desk.dialogs);
    });
    step("closing the other windows", [&] {
        if (view.unloadOtherWindows) view.unloadOtherWindows();
    });
}

}  // namespace vantrel
