#include "base/Slider.h"

#include <algorithm>

namespace vantrel {

Slider::Slider(int min, int max, int value, QObject* parent)
    : QObject(parent), min_(min), max_(max), value_(std::clamp(value, min, max)) {}

void Slider::SetValue(int v) {
    v = std::clamp(v, min_, max_);
    if (v == value_) return;
    value_ = v;
    if (onChanged) onChanged();
    emit valueChanged(value_);
}

void Slider::SetToolTipText(const QString& text) {
    if (text == toolTip_) return;
    toolTip_ = text;
    emit toolTipChanged(toolTip_);
}

}  // namespace vantrel
