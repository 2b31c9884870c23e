#include "widgets/LevelMeter.h"

#include <QFile>
#include <QImageReader>
#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "widgets/ImageHeader.h"

namespace vantrel {

namespace {

// The width in pixels a level uncovers on a meter of the given inner width.
int uncoveredWidth(int innerWidth, float x) {
    // The level stays a single through the curve; the unit and the width are doubles, and the
    // width rounds halves to even.
    const double unit = double(innerWidth) / 99.0;
    if (x >= 0) x = float(std::pow(1.0 - std::abs(1.0 - double(x)), 5) * 99.0);
    const double w = unit * double(x);
    if (!(w > 0)) return 0;
    return int(std::min(std::nearbyint(w), double(innerWidth)));
}

}  // namespace

LevelMeter::LevelMeter(QWidget* parent) : QWidget(parent) {
    // Everything is painted here each time; nothing behind the meter needs to show through.
    setAttribute(Qt::WA_OpaquePaintEvent);
    setFixedSize(size_);
}

void LevelMeter::setBackColor(std::uint32_t colour) {
    backColor_ = colour;
    update();
}

void LevelMeter::setImage(const QString& fileName) {
    const ImageSize s = readImageHeaderFile(QFile::encodeName(fileName).toStdString());
    imageWidth_ = s.width;
    imageHeight_ = s.height;
    // A header may promise any size up to 2³¹; a widget cannot be wider than Qt allows.
    const int w = int(std::min<qint64>(qint64(imageWidth_) + 2, QWIDGETSIZE_MAX));
    const int h = int(std::min<qint64>(qint64(imageHeight_) + 2, QWIDGETSIZE_MAX));
    size_ = QSize(w, h);
    setFixedSize(size_);
    updateGeometry();
    image_ = LoadGraphicDC(fileName);
    shown_ = 0;
    update();
}

QPixmap LevelMeter::LoadGraphicDC(const QString& fileName) {
    // The bar image has no telling suffix, so the decoder goes by the content.
    QImageReader reader(fileName);
    reader.setDecideFormatFromContent(true);
    const QImage image = reader.read();
    if (image.isNull()) return {};
    return QPixmap::fromImage(image);
}

void LevelMeter::setPercent(float x) {
    const int width = uncoveredWidth(imageWidth_, x);
    if (width == shown_) return;
    // Only the columns between the old and the new edge change.
    const QRect inner = innerRect();
    const int from = std::min(width, shown_);
    const int to = std::max(width, shown_);
    shown_ = width;
    update(QRect(inner.left() + from, inner.top(), to - from, inner.height()));
}

void LevelMeter::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    const QRect inner = innerRect();
    const QRect all = rect();
    // A one-pixel sunken frame around the inner surface.
    p.setPen(palette().color(QPalette::Dark));
    p.drawLine(all.topLeft(), all.topRight());
    p.drawLine(all.topLeft(), all.bottomLeft());
    p.setPen(palette().color(QPalette::Light));
    p.drawLine(all.bottomLeft(), all.bottomRight());
    p.drawLine(all.topRight(), all.bottomRight());
    p.fillRect(inner & event->rect(), toQColor(backColor_, palette()));
    if (shown_ > 0 && !image_.isNull()) {
        // A plain copy: a picture smaller than its header claims leaves the rest uncovered.
        const QRect source = QRect(0, 0, shown_, inner.height()) & image_.rect();
        p.drawPixmap(QRect(inner.topLeft(), source.size()), image_, source);
    }
}

void LevelMeter::mousePressEvent(QMouseEvent* event) {
    pressed_ = event->button() == Qt::LeftButton;
}

void LevelMeter::mouseReleaseEvent(QMouseEvent* event) {
    const bool click =
        pressed_ && event->button() == Qt::LeftButton && rect().contains(event->pos());
    pressed_ = false;
    if (click) emit Click();
}

}  // namespace vantrel
