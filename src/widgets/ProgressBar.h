#pragma once
// The song-progress bar: a light grey empty bar over the whole control with a filled bar laid over
// it from the left, Value / Max of the way across. The filled bar uncovers a blue → purple → red
// gradient that spans the whole control, so its colour tells how far the song has got.
#include <QWidget>

namespace vantrel {

class ProgressBar : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int Min READ Min WRITE setMin STORED false)
    Q_PROPERTY(int Max READ Max WRITE setMax)
    Q_PROPERTY(int Value READ Value WRITE setValue)
public:
    // As newly placed: Max 10000, Value 0, 493 × 13 pixels, the filled bar one pixel wide.
    explicit ProgressBar(QWidget* parent = nullptr);
    // As restored from a design that stores Max (the main window's design stores 0, so Value is
    // ignored until a song sets Max).
    explicit ProgressBar(int max, QWidget* parent = nullptr);

    int Min() const { return min_; }
    void setMin(int min) { min_ = min; }  // kept for callers only; it takes no part in drawing
    int Max() const { return max_; }
    void setMax(int max) { max_ = max; }  // draws nothing; the next Value does
    int Value() const { return value_; }
    // Ignored while Max ≤ 0. Not clamped: a value above Max fills past the right edge, cut off.
    void setValue(int v);

    QSize sizeHint() const override { return {493, 13}; }

protected:
    void paintEvent(QPaintEvent* event) override;

private:
    int min_ = 0;
    int max_ = 10000;
    int value_ = 0;
    int filled_ = 1;  // pixels; follows Value, not resizes; one pixel in the design
};

}  // namespace vantrel
