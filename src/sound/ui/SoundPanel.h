#pragma once
// The sound part of one deck panel (about 243 x 194 px): tempo, gradual pitch, semitone pitch
// and rate, each with its step and reset buttons and value label, then the master volume and
// balance that both deck panels share. Buttons call the core commands; sliders are mirrored.
#include <QWidget>

class QLabel;
class QSlider;
class QToolButton;

namespace vantrel {

class Label;
class MasterVolume;
class Slider;
class SoundControls;

class SoundPanel : public QWidget {
    Q_OBJECT
public:
    // `deck` is 1 or 2: which of the shared volume and balance twins this panel shows. Child
    // widgets are named after the core controls with the deck digit ("sldTempo2", "cmdTempoUp2").
    SoundPanel(SoundControls& controls, MasterVolume& master, int deck, QWidget* parent = nullptr);

    QSize sizeHint() const override { return {243, 194}; }

private:
    QSlider* addSlider(Slider& core, const QString& name, int singleStep, int pageStep);
    QToolButton* addButton(const QString& text, const QString& toolTip, const QString& name);
    QLabel* addLabel(Label& core, const QString& name, Qt::Alignment align);
    QLabel* addCaption(const QString& text);
    QString named(const QString& base) const;

    int deck_;
};

}  // namespace vantrel
