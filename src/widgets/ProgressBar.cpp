#include "widgets/ProgressBar.h"

#include <QLinearGradient>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

namespace vantrel {

ProgressBar::ProgressBar(QWidget* parent) : ProgressBar(10000, parent) {}

ProgressBar::ProgressBar(int max, QWidget* parent) : QWidget(parent), max_(max) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    // 7400 × 200 twips at 15 twips per pixel.
    resize(493, 13);
}

void ProgressBar::setValue(int v) {
    if (max_ <= 0) return;
    value_ = v;
    // Double precision, halves to even; bounded so an absurd Value cannot overflow the width.
    const double w = std::clamp(double(width()) * value_ / max_, -1e9, 1e9);
    const int filled = int(std::nearbyint(w));
    if (filled == filled_) return;
    // The filled bar uncovers a gradient laid over the whole width, so only the columns between
    // the old and the new edge change.
    const int from = std::clamp(std::min(filled, filled_), 0, width());
    const int to = std::clamp(std::max(filled, filled_), 0, width());
    filled_ = filled;
    if (to > from) update(from, 0, to - from, height());
}

void ProgressBar::paintEvent(QPaintEvent*) {
    QPainter p(this);
    const QRectF bar = rect();
    // The empty bar: light grey with a soft top light and a darker rim.
    QLinearGradient empty(0, 0, 0, bar.height());
    empty.setColorAt(0.0, QColor(0xF4, 0xF4, 0xF4));
    empty.setColorAt(0.5, QColor(0xDC, 0xDC, 0xDC));
    empty.setColorAt(1.0, QColor(0xC8, 0xC8, 0xC8));
    p.fillRect(bar, empty);
    p.setPen(QColor(0xA0, 0xA0, 0xA0));
    p.drawRect(bar.adjusted(0.5, 0.5, -0.5, -0.5));

    if (filled_ <= 0) return;
    const QRectF fill(0, 0, std::min(filled_, width()), bar.height());
    QLinearGradient across(0, 0, bar.width(), 0);
    across.setColorAt(0.0, QColor(0x20, 0x40, 0xE0));
    across.setColorAt(0.5, QColor(0x90, 0x30, 0xC0));
    across.setColorAt(1.0, QColor(0xE8, 0x18, 0x18));
    p.fillRect(fill, across);
    // A faint gloss on the upper half keeps the filled bar from looking flat.
    QLinearGradient gloss(0, 0, 0, bar.height());
    gloss.setColorAt(0.0, QColor(255, 255, 255, 90));
    gloss.setColorAt(0.5, QColor(255, 255, 255, 20));
    gloss.setColorAt(0.51, QColor(0, 0, 0, 0));
    gloss.setColorAt(1.0, QColor(0, 0, 0, 40));
    p.fillRect(fill, gloss);
}

}  // namespace vantrel
