#include "widgets/Ticker.h"

#include <QEvent>
#include <QFontMetrics>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <algorithm>

namespace vantrel {

namespace {

// Blank means spaces only; tabs and the like count as text.
bool isBlank(const QString& s) {
    return std::all_of(s.begin(), s.end(), [](QChar c) { return c == u' '; });
}

}  // namespace

Ticker::Ticker(QWidget* parent) : QWidget(parent) {
    setAttribute(Qt::WA_OpaquePaintEvent);
    setMouseTracking(true);  // hover reports come without a button held
    setContentsMargins(1, 1, 1, 1);
    timer_.setTimerType(Qt::PreciseTimer);
    timer_.setInterval(scrollInterval_);
    connect(&timer_, &QTimer::timeout, this, &Ticker::step);
    layout();
    scrollState();
}

QSize Ticker::sizeHint() const {
    const int frame = borderStyle_ ? 2 : 0;
    return {200, fontMetrics().height() + 4 + frame};
}

void Ticker::setScrollSpeed(int pixels) {
    if (pixels < 1 || pixels > INT16_MAX) return;
    scrollSpeed_ = pixels;
}

void Ticker::setScrollInterval(int ms) {
    if (ms < 0 || ms > INT16_MAX) return;
    scrollInterval_ = ms;
    timer_.setInterval(ms);
    setTimerRunning(timerEnabled_);
}

void Ticker::setSeparator(const QString& text) {
    separator_ = text;
    layout();
    redraw(false);
}

void Ticker::setAutoScroll(bool on) {
    autoScroll_ = on;
    scrollState();
}

void Ticker::setScroll(bool on) {
    if (!on) setTimerRunning(false);
    scroll_ = on;
    scrollState();
}

void Ticker::setBorderStyle(int style) {
    borderStyle_ = style;
    const int m = style ? 1 : 0;
    setContentsMargins(m, m, m, m);
    updateGeometry();
    redraw(false);
}

void Ticker::setBackColor(std::uint32_t colour) {
    backColor_ = colour;
    update();
}

void Ticker::setForeColor(std::uint32_t colour) {
    foreColor_ = colour;
    update();
}

Ticker::Item* Ticker::itemAt(int index) {
    if (index < 1 || index > ListCount()) return nullptr;
    return &items_[std::size_t(index - 1)];
}

void Ticker::AddItem(const QString& text) {
    if (!isBlank(text)) {
        Item item;
        item.text = text;
        items_.push_back(std::move(item));
    }
    layout();
    scrollState();
}

void Ticker::RemoveItem(int index) {
    if (itemAt(index)) items_.erase(items_.begin() + (index - 1));
    layout();
    scrollState();
}

void Ticker::ToggleScroll() {
    if (!panning_ && active_) setTimerRunning(!timerEnabled_);
}

void Ticker::Refresh() {
    scrollState();
    redraw(false);
}

void Ticker::Fill(const QString& message, const QString& separator, int speed) {
    RemoveItem(1);
    AddItem(message);
    setSeparator(separator);
    setScrollSpeed(speed);
    setScroll(true);
}

void Ticker::step() {
    offset_ += scrollSpeed_;
    redraw(true);
}

void Ticker::setTimerRunning(bool on) {
    timerEnabled_ = on;
    if (on && scrollInterval_ > 0) {
        if (!timer_.isActive()) timer_.start();
    } else {
        timer_.stop();
    }
}

void Ticker::layout() {
    if (!isBlank(separator_))
        shownSeparator_ = u' ' + separator_ + u' ';
    else if (separator_.isEmpty())
        shownSeparator_ = QStringLiteral(" ");
    else
        shownSeparator_ = separator_;
    const QFontMetrics fm = fontMetrics();
    sepWidth_ = fm.horizontalAdvance(shownSeparator_);
    // Plain text: a title that looks like markup is still shown as it is.
    separatorText_.setTextFormat(Qt::PlainText);
    separatorText_.setText(shownSeparator_);
    separatorText_.prepare(QTransform(), font());
    total_ = 0;
    for (std::size_t i = 0; i < items_.size(); ++i) {
        Item& it = items_[i];
        // Only new or changed texts are measured, so filling a long strip stays linear.
        if (!it.measured) {
            it.width = fm.horizontalAdvance(it.text);
            it.shown.setTextFormat(Qt::PlainText);
            it.shown.setText(it.text);
            it.shown.prepare(QTransform(), font());
            it.measured = true;
        }
        it.left = total_;
        total_ += it.width + (i + 1 < items_.size() ? sepWidth_ : 0);
        it.right = total_;
    }
}

void Ticker::scrollState() {
    if (panning_) return;
    if (items_.empty()) {
        setTimerRunning(false);
        offset_ = 0;
        active_ = false;
        redraw(false);
        return;
    }
    active_ = scroll_ || (autoScroll_ && contentsRect().width() < total_);
    if (active_) {
        if (!timerEnabled_) setTimerRunning(true);
        redraw(false);
    } else {
        setTimerRunning(false);
        offset_ = 0;
        redraw(false);
    }
}

QRect Ticker::textBand() const {
    const QRect client = contentsRect();
    const int h = fontMetrics().height();
    const int band = (client.height() - h) / 2;
    if (band >= 1) return QRect(client.left(), client.top() + band, client.width(), h);
    return client;
}

void Ticker::redraw(bool bandOnly) {
    const int cycle = active_ ? total_ + sepWidth_ : total_;
    if (cycle <= 0) {
        offset_ = 0;
    } else if (offset_ > cycle) {
        const int r = offset_ % cycle;
        offset_ = r == 0 ? cycle : r;
    } else if (offset_ < 0) {
        const int r = offset_ % cycle;
        offset_ = r < 0 ? r + cycle : r;
    }

    pieces_.clear();
    hitCount_ = 0;
    redFrom_ = -1;
    if (!items_.empty()) {
        const int n = ListCount();
        const int clientWidth = contentsRect().width();
        int k = 0;
        while (k < n && items_[std::size_t(k)].right <= offset_) ++k;
        int x;
        if (k < n) {
            x = items_[std::size_t(k)].left - offset_;
        } else {
            k = 0;
            x = -offset_;
        }
        int lapStart = x;
        while (x < clientWidth) {
            const Item& it = items_[std::size_t(k)];
            pieces_.push_back({k, x, false});
            if (hitCount_ < kHitTableSize)
                hits_[std::size_t(hitCount_++)] = {k + 1, x, x + it.width};
            x += it.width;
            if (!active_ && !panning_ && k == n - 1) {
                redFrom_ = x;
                break;
            }
            pieces_.push_back({k, x, true});
            x += sepWidth_;
            k = (k + 1) % n;
            if (k == 0) {
                // A strip of zero width would never reach the edge.
                if (x == lapStart) break;
                lapStart = x;
            }
        }
    }
    if (bandOnly)
        update(textBand());
    else
        update();
}

void Ticker::paintEvent(QPaintEvent* event) {
    QPainter p(this);
    if (borderStyle_) {
        p.setPen(palette().color(QPalette::Dark));
        p.drawRect(rect().adjusted(0, 0, -1, -1));
    }
    const QRect client = contentsRect();
    p.setClipRect(client & event->rect());
    p.fillRect(client, toQColor(backColor_, palette()));
    if (items_.empty()) return;

    const QColor fore = toQColor(foreColor_, palette());
    const QRect band = textBand();
    const int top = client.top() + (client.height() - fontMetrics().height()) / 2;
    const int left = client.left();
    const QRect visible = event->rect();
    p.save();
    p.setClipRect(band & visible);
    p.setPen(fore);
    for (const Piece& piece : pieces_) {
        const Item& it = items_[std::size_t(piece.item)];
        const int w = piece.separator ? sepWidth_ : it.width;
        if (left + piece.x + w < visible.left() || left + piece.x > visible.right()) continue;
        p.drawStaticText(left + piece.x, top, piece.separator ? separatorText_ : it.shown);
    }
    p.restore();
    if (redFrom_ >= 0 && redFrom_ < client.width())
        p.fillRect(QRect(left + redFrom_, client.top(), client.width() - redFrom_, client.height()),
                   QColor(255, 0, 0));
}

void Ticker::resizeEvent(QResizeEvent*) {
    redraw(false);
}

void Ticker::changeEvent(QEvent* event) {
    if (event->type() == QEvent::FontChange) {
        for (Item& it : items_) it.measured = false;
        layout();
        redraw(false);
    } else if (event->type() == QEvent::PaletteChange) {
        update();
    }
    QWidget::changeEvent(event);
}

int Ticker::hitTest(const QPointF& pos) const {
    if (hitCount_ == 0) return -1;
    const QRect client = contentsRect();
    const int h = fontMetrics().height();
    const int band = (client.height() - h) / 2;
    const qreal y = pos.y() - client.top();
    const bool inBand =
        band >= 1 ? y >= band + 1 && y <= band + h - 1 : y >= 0 && y <= client.height();
    if (!inBand) return -1;
    const qreal x = pos.x() - client.left();
    for (int i = 0; i < hitCount_; ++i) {
        const Hit& h = hits_[std::size_t(i)];
        if (h.left <= x && x <= h.right) return h.item;
    }
    return -1;
}

void Ticker::mousePressEvent(QMouseEvent* event) {
    pressed_ = true;
    if (event->button() == Qt::LeftButton && allowPan_ && active_) {
        panning_ = true;
        pressX_ = event->position().x();
        pressOffset_ = offset_;
        savedTimer_ = timerEnabled_;
        setTimerRunning(false);
        setCursor(Qt::ClosedHandCursor);
    }
    const QPoint at = event->position().toPoint() - contentsRect().topLeft();
    emit MouseDown(event->button(), event->modifiers(), at.x(), at.y());
}

void Ticker::mouseMoveEvent(QMouseEvent* event) {
    if (panning_) {
        offset_ = int(qreal(pressOffset_) - (event->position().x() - pressX_));
        redraw(true);
    }
    hoverItem_ = hitTest(event->position());
    emit ItemHover(hoverItem_);
    const QPoint at = event->position().toPoint() - contentsRect().topLeft();
    emit MouseMove(event->buttons(), event->modifiers(), at.x(), at.y());
}

void Ticker::mouseReleaseEvent(QMouseEvent* event) {
    if (panning_) {
        panning_ = false;
        setTimerRunning(savedTimer_);
        unsetCursor();
    }
    hoverItem_ = hitTest(event->position());
    const QPoint at = event->position().toPoint() - contentsRect().topLeft();
    emit MouseUp(event->button(), event->modifiers(), at.x(), at.y());
    const bool click = pressed_ && rect().contains(event->position().toPoint());
    pressed_ = false;
    if (click) {
        if (hoverItem_ > 0) emit ItemClick(hoverItem_);
        emit Click();
    }
}

void Ticker::mouseDoubleClickEvent(QMouseEvent*) {
    emit DblClick();
}

}  // namespace vantrel
