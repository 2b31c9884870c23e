#pragma once
// One deck's panel (deckPanel(0) or deckPanel(1)), 493 x 194 px: on the left what the deck
// shows (ticker, level meters, progress bar, time) and its transport and mixing controls; on the
// right the deck's sound panel. It mirrors the deck's core state and forwards clicks to the
// deck's handlers; it keeps no state of its own.
#include <QGroupBox>

class QLabel;
class QSlider;
class QToolButton;

namespace vantrel {

class AutoMixer;
class Deck;
class LevelMeter;
class ProgressBar;
class Ticker;

class DeckPanel : public QGroupBox {
    Q_OBJECT
public:
    static constexpr int kWidth = 493;          // 7400 twips
    static constexpr int kHeight = 194;         // 2910 twips
    static constexpr int kProgressWidth = 486;  // 7290 twips
    static constexpr int kProgressHeight = 12;  // 180 twips

    // `soundPanel` (may be null) is placed on the right and owned by the panel. Child widgets
    // are named after the deck's controls, with the deck digit for deck 2 ("cmdPlay2").
    DeckPanel(Deck& deck, AutoMixer& mixer, QWidget* soundPanel, QWidget* parent = nullptr);

    Ticker& ticker() const { return *ticker_; }
    LevelMeter& vuLeft() const { return *vuLeft_; }
    LevelMeter& vuRight() const { return *vuRight_; }
    ProgressBar& songProgress() const { return *progress_; }
    QLabel& lblTime() const { return *time_; }
    QSlider& sldMixInterval() const { return *mixSlider_; }

    QSize sizeHint() const override { return {kWidth, kHeight}; }

signals:
    // The open button: the playlist's add-files command.
    void openClicked();

private:
    QToolButton* button(const QString& name, const QString& toolTip);
    QString named(const char* base) const;

    Deck& deck_;
    Ticker* ticker_ = nullptr;
    LevelMeter* vuLeft_ = nullptr;
    LevelMeter* vuRight_ = nullptr;
    ProgressBar* progress_ = nullptr;
    QLabel* time_ = nullptr;
    QSlider* mixSlider_ = nullptr;
};

}  // namespace vantrel
