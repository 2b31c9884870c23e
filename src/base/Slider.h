#pragma once
// A slider's value lives here, in the core; a QSlider in the view only mirrors it.
#include <QObject>
#include <QString>
#include <functional>

namespace vantrel {

class Slider : public QObject {
    Q_OBJECT
public:
    Slider(int min, int max, int value, QObject* parent = nullptr);

    int Value() const { return value_; }
    int Min() const { return min_; }
    int Max() const { return max_; }
    // Clamped to the range. Setting the value it already holds raises nothing, so linked pairs
    // settle; otherwise onChanged runs at once, nested, before SetValue returns.
    void SetValue(int v);

    const QString& ToolTipText() const { return toolTip_; }
    void SetToolTipText(const QString& text);

    // The one handler of the slider's change (the core's work).
    std::function<void()> onChanged;

signals:
    // For views, after onChanged has run.
    void valueChanged(int value);
    void toolTipChanged(const QString& text);

private:
    int min_;
    int max_;
    int value_;
    QString toolTip_;
};

}  // namespace vantrel
