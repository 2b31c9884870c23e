#include "sound/ui/SliderBinding.h"

#include <QSignalBlocker>
#include <QSlider>

namespace vantrel {

SliderBinding::SliderBinding(Slider& core, QSlider& view)
    : QObject(&view), core_(&core), view_(view) {
    updating_ = true;
    view_.setRange(core.Min(), core.Max());
    view_.setValue(core.Value());
    view_.setToolTip(core.ToolTipText());
    updating_ = false;

    connect(&core, &Slider::valueChanged, this, &SliderBinding::fromCore);
    connect(&core, &Slider::toolTipChanged, &view_, &QWidget::setToolTip);
    connect(&view_, &QSlider::valueChanged, this, &SliderBinding::fromView);
}

void SliderBinding::fromView(int value) {
    if (updating_ || !core_) return;
    updating_ = true;
    core_->SetValue(value);
    updating_ = false;
    // The core may have clamped the value or changed it again from its own handler.
    showCoreValue();
}

void SliderBinding::fromCore(int) {
    if (updating_) return;
    showCoreValue();
}

void SliderBinding::showCoreValue() {
    if (!core_ || view_.value() == core_->Value()) return;
    updating_ = true;
    view_.setValue(core_->Value());
    updating_ = false;
}

}  // namespace vantrel
