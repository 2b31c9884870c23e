#pragma once
// The single-line ticker of a deck panel: text items joined by a separator, scrolling from right
// to left without end, draggable with the left mouse button.
#include <QStaticText>
#include <QString>
#include <QTimer>
#include <QWidget>
#include <array>
#include <cstdint>
#include <vector>

#include "widgets/SystemColour.h"

namespace vantrel {

class Ticker : public QWidget {
    Q_OBJECT
    Q_PROPERTY(int ScrollSpeed READ ScrollSpeed WRITE setScrollSpeed)
    Q_PROPERTY(int ScrollInterval READ ScrollInterval WRITE setScrollInterval)
    Q_PROPERTY(QString Separator READ Separator WRITE setSeparator)
    Q_PROPERTY(bool AutoScroll READ AutoScroll WRITE setAutoScroll)
    Q_PROPERTY(bool Scroll READ Scroll WRITE setScroll STORED false)
    Q_PROPERTY(bool AllowPan READ AllowPan WRITE setAllowPan)
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledFlag)
    Q_PROPERTY(int BorderStyle READ BorderStyle WRITE setBorderStyle)
    Q_PROPERTY(quint32 BackColor READ BackColor WRITE setBackColor)
    Q_PROPERTY(quint32 ForeColor READ ForeColor WRITE setForeColor)
public:
    // Items beyond this many in one redraw cannot be clicked.
    static constexpr int kHitTableSize = 1024;

    explicit Ticker(QWidget* parent = nullptr);

    int ScrollSpeed() const { return scrollSpeed_; }
    void setScrollSpeed(int pixels);  // below 1 (or past 16 bits) keeps the old speed
    int ScrollInterval() const { return scrollInterval_; }
    void setScrollInterval(int ms);  // 0 holds the timer still; negative is ignored
    const QString& Separator() const { return separator_; }
    void setSeparator(const QString& text);
    bool AutoScroll() const { return autoScroll_; }
    void setAutoScroll(bool on);
    bool Scroll() const { return scroll_; }
    void setScroll(bool on);
    bool AllowPan() const { return allowPan_; }
    void setAllowPan(bool on) { allowPan_ = on; }
    // Stored and kept only. Deliberately apart from QWidget::setEnabled: a stored false must not
    // grey the ticker out or stop it reacting to the mouse.
    bool Enabled() const { return enabledFlag_; }
    void setEnabledFlag(bool on) { enabledFlag_ = on; }
    int BorderStyle() const { return borderStyle_; }
    void setBorderStyle(int style);  // 0 none, otherwise a one-pixel frame
    std::uint32_t BackColor() const { return backColor_; }
    void setBackColor(std::uint32_t colour);
    std::uint32_t ForeColor() const { return foreColor_; }
    void setForeColor(std::uint32_t colour);

    // Items are numbered from 1; blank text is not added.
    void AddItem(const QString& text);
    void RemoveItem(int index);
    int ListCount() const { return int(items_.size()); }

    // While scrolling and not being dragged, stops a running ticker or restarts a stopped one.
    void ToggleScroll();
    void Refresh();

    // What a deck shows: exactly one message, repeated with the separator, always scrolling.
    void Fill(const QString& message, const QString& separator, int speed);

    // One scroll tick: the strip moves ScrollSpeed pixels to the left. The timer calls it.
    void step();

    QSize sizeHint() const override;

signals:
    void ItemClick(int index);
    void ItemHover(int index);
    void Click();
    void DblClick();
    void MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);
    void MouseMove(Qt::MouseButtons buttons, Qt::KeyboardModifiers shift, int x, int y);
    void MouseUp(Qt::MouseButton button, Qt::KeyboardModifiers shift, int x, int y);

protected:
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;
    void changeEvent(QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

private:
    struct Item {
        QString text;
        int width = 0;
        int left = 0;
        int right = 0;
        QStaticText shown;      // laid out once, drawn at every tick
        bool measured = false;  // width and shown match text and font
    };
    // One piece of the drawn line: an item's text or the separator after it.
    struct Piece {
        int item;  // 0-based
        int x;
        bool separator;
    };
    struct Hit {
        int item;  // 1-based
        int left;
        int right;
    };

    Item* itemAt(int index);
    void layout();
    void scrollState();
    // Lays out the line for the current offset; bandOnly when only the text band can change.
    void redraw(bool bandOnly);
    QRect textBand() const;
    int hitTest(const QPointF& pos) const;
    void setTimerRunning(bool on);
    bool timerRunning() const { return timerEnabled_; }

    int scrollSpeed_ = 3;
    int scrollInterval_ = 120;
    QString separator_ = QStringLiteral("\u00B7");
    bool autoScroll_ = false;
    bool scroll_ = false;
    bool allowPan_ = true;
    bool enabledFlag_ = false;
    int borderStyle_ = 1;
    std::uint32_t backColor_ = kButtonFace;
    std::uint32_t foreColor_ = kButtonText;

    std::vector<Item> items_;
    QString shownSeparator_;
    QStaticText separatorText_;
    int sepWidth_ = 0;
    int total_ = 0;
    int offset_ = 0;
    bool active_ = false;
    bool timerEnabled_ = false;  // the timer's own on/off state; an interval of 0 never fires
    QTimer timer_;

    bool panning_ = false;
    qreal pressX_ = 0;
    int pressOffset_ = 0;
    bool savedTimer_ = false;
    int hoverItem_ = -1;
    bool pressed_ = false;

    // What the last redraw laid out: the pieces of the line, where red begins (or -1) and the
    // clickable items.
    std::vector<Piece> pieces_;
    int redFrom_ = -1;
    std::array<Hit, kHitTableSize> hits_{};
    int hitCount_ = 0;
};

}  // namespace vantrel
