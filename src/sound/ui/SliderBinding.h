#pragma once
// Mirrors a core Slider in a QSlider, both ways: range, value and tooltip follow the core; a user
// move becomes Slider::SetValue, so the core's change handler does all the work. The binding
// ignores its own echo, and after a move it puts the view back to whatever the core settled on
// (a clamp, or a handler that changed the value again).
#include <QObject>
#include <QPointer>

#include "base/Slider.h"

class QSlider;

namespace vantrel {

class SliderBinding : public QObject {
    Q_OBJECT
public:
    // The binding lives as long as the view (it is the view's child); it stops acting on the
    // core once the core is gone.
    SliderBinding(Slider& core, QSlider& view);

    // Convenience: the binding is owned by `view`.
    static SliderBinding* bind(Slider& core, QSlider& view) {
        return new SliderBinding(core, view);
    }

    Slider* core() const { return core_; }

private:
    void fromView(int value);
    void fromCore(int value);
    void showCoreValue();

    QPointer<Slider> core_;
    QSlider& view_;
    bool updating_ = false;
};

}  // namespace vantrel
