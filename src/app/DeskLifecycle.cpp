// Start-up and shutdown of the desk, in the order the program has always run them.
#include "app/Desk.h"

#include <QDebug>
#include <exception>

#include "app/ProgramFolder.h"
#include "base/FilePath.h"
#include "playlist/ListFile.h"
#include "playlist/ListKeeper.h"

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

void Desk::onLoad(const ViewSteps& view) {
    step("loading the default playlist", [&] { loadDefaultPlaylist(); });
    step("clearing the remembered folders", [&] {
        playlistCommands_.forgetLastFolder();
        samples_.lastSampleFolder.clear();
    });
    step("building the menu", [&] {
        if (view.buildMenu) view.buildMenu();
    });
    step("pointing the sample lists at their folders",
         [&] { samples_.setSampleFolders(programFolder_); });
    step("opening the system mixer", [&] { masterVolume_.openSystemMixer(); });
    step("initialising the sample media control",
         [&] { sampleMediaControl_.Initialize(nullptr, 44100, false, false); });
    const QString image = programFolder_ + QStringLiteral("/util/keysec.dat");
    for (const char* meter : kMeterOrder) {
        step("loading a meter image", [&] {
            if (view.setMeterImage) view.setMeterImage(QLatin1String(meter), image);
        });
    }
}

void Desk::loadDefaultPlaylist() {
    // A save cut short by a kill leaves its temporary file; the list itself is whole.
    RemoveStaleSaves(defaultPlaylist_);
    bool whole = true;
    if (PathMissing(defaultPlaylist_)) {
        // The first start has no list yet, which is no error: an empty one is made, so the user
        // finds it where it will be kept.
        EnsureFolderFor(defaultPlaylist_);
        ReplaceFile(defaultPlaylist_, {});
    } else {
        whole = LoadList(playlist_, defaultPlaylist_, dialogs_);
    }
    // From now on every change reaches the file within about a second.
    keeper_ = std::make_unique<ListKeeper>(playlist_, defaultPlaylist_, scheduler_, !whole);
}

void Desk::onUnload(const ViewSteps& view) {
    if (unloading_) return;
    unloading_ = true;
    // The recording is closed whole before anything else goes.
    step("ending the stream and the recording", [&] {
        onAir_.stopRecording();
        onAir_.stopStream();
    });
    step("shutting the sample media control down", [&] { sampleMediaControl_.Shutdown(); });
    step("saving the default playlist", [&] {
        // The user data folder is made on demand: an installed program's first exit creates it.
        EnsureFolderFor(defaultPlaylist_);
        if (keeper_)
            keeper_->saveNow(dialogs_);
        else
            SaveList(playlist_, defaultPlaylist_, dialogs_);
    });
    step("closing the other windows", [&] {
        if (view.unloadOtherWindows) view.unloadOtherWindows();
    });
}

}  // namespace vantrel
