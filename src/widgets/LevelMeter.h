#pragma once
// A horizontal bar meter: a level uncovers, from the left, part of a bar image held in memory;
// the rest shows the background colour. Sized by its image (Part of the deck panel: two per deck).
#include <QPixmap>
#include <QString>
#include <QWidget>
#include <cstdint>

#include "widgets/SystemColour.h"

namespace vantrel {

class LevelMeter : public QWidget {
    Q_OBJECT
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
public:
    explicit LevelMeter(QWidget* parent = nullptr);

    std::uint32_t BackColor() const { return backColor_; }
    void setBackColor(std::uint32_t colour);

    // Reads the size from the file's header, sizes the meter to (width + 2) × (height + 2) and
    // keeps the decoded picture for every later draw. An unreadable file leaves a 2 × 2 meter.
    void setImage(const QString& fileName);
    // Uncovers inner width × x⁵ for 0 ≤ x ≤ 1; above 1 the curve falls back symmetrically and
    // a negative level is used as it is (so it uncovers nothing).
    void setPercent(float x);

    // A decoded picture ready to be copied from; null when the file cannot be decoded.
    static QPixmap LoadGraphicDC(const QString& fileName);

    QSize sizeHint() const override { return size_; }
    QSize minimumSizeHint() const override { return size_; }

signals:
    void Click();

protected:
    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;

private:
    QRect innerRect() const { return QRect(1, 1, imageWidth_, imageHeight_); }

    std::uint32_t backColor_ = kButtonFace;
    int imageWidth_ = 0;
    int imageHeight_ = 0;
    QSize size_{2, 2};
    QPixmap image_;
    int shown_ = 0;  // uncovered width of the last level, in pixels
    bool pressed_ = false;
};

}  // namespace vantrel
