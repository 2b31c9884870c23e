#pragma once
// Start-up and shutdown of the desk, in the order the program has always run them. Every step runs
// in ignore-and-continue mode: a step that fails is abandoned and the sequence goes on, and no
// message is shown but the ones the steps show themselves (the list file's "Error" box, the
// mixer's message). The view supplies the steps that touch widgets.
#include <QString>
#include <functional>

namespace vantrel {

class Desk;

struct ViewSteps {
    std::function<void()> BuildMenu;
    // Called with "VUleft", "VUleft2", "VUright", "VUright2", in that order.
    std::function<void(const QString& meter, const QString& imageFile)> setMeterImage;
    // Closes every window but the main one, last opened first.
    std::function<void()> unloadOtherWindows;
};

inline constexpr const char* kMeterOrder[] = {"VUleft", "VUleft2", "VUright", "VUright2"};

// Form_Load: default playlist, remembered folders cleared, menu, sample folders, mixer, media
// controls, meter images. Sets no deck state and starts no timer.
void Form_Load(Desk& desk, const ViewSteps& view);

// Form_Unload: media controls shut down, default playlist written, other windows closed. Runs
// once; a second call (a signal arriving during a close) does nothing.
void Form_Unload(Desk& desk, const ViewSteps& view);

}  // namespace vantrel
