#include "deck/ui/DeckPanel.h"

#include <QEvent>
#include <QFontDatabase>
#include <QHBoxLayout>
#include <QLabel>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QSlider>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "deck/AutoMixer.h"
#include "deck/Deck.h"
#include "sound/ui/SliderBinding.h"
#include "widgets/DisplayFont.h"
#include "widgets/LevelMeter.h"
#include "widgets/ProgressBar.h"
#include "widgets/Ticker.h"

namespace vantrel {

namespace {

constexpr int kLeftWidth = 250;
constexpr int kTransportSize = 26;
constexpr int kSmallButton = 18;

// "Mix now": two crossing curves, one rising and one falling.
QIcon crossFadeIcon(const QPalette& palette) {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    QPen pen(palette.color(QPalette::ButtonText), 3.0, Qt::SolidLine, Qt::RoundCap);
    p.setPen(pen);
    QPainterPath up, down;
    up.moveTo(4, 26);
    up.cubicTo(14, 26, 18, 6, 28, 6);
    down.moveTo(4, 6);
    down.cubicTo(14, 6, 18, 26, 28, 26);
    p.drawPath(down);
    pen.setColor(palette.color(QPalette::Highlight));
    p.setPen(pen);
    p.drawPath(up);
    return QIcon(pm);
}

// The time display is clickable (elapsed / remaining); a label has no click of its own.
class ClickFilter final : public QObject {
public:
    ClickFilter(QObject* parent, std::function<void()> onClick)
        : QObject(parent), onClick_(std::move(onClick)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::MouseButtonRelease &&
            static_cast<QMouseEvent*>(event)->button() == Qt::LeftButton) {
            onClick_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> onClick_;
};

}  // namespace

DeckPanel::DeckPanel(Deck& deck, AutoMixer& mixer, QWidget* soundPanel, QWidget* parent)
    : QGroupBox(parent), deck_(deck) {
    DeckDisplay& d = deck.display;
    setObjectName(QStringLiteral("fraPlayer%1").arg(deck.index()));
    setTitle(d.caption.Caption());
    connect(&d.caption, &Label::captionChanged, this, &QGroupBox::setTitle);
    setFixedSize(kWidth, kHeight);

    auto* outer = new QVBoxLayout(this);
    outer->setContentsMargins(3, 0, 3, 3);
    outer->setSpacing(2);
    auto* row = new QHBoxLayout;
    row->setSpacing(4);
    outer->addLayout(row, 1);

    auto* left = new QWidget(this);
    left->setFixedWidth(kLeftWidth);
    auto* col = new QVBoxLayout(left);
    col->setContentsMargins(0, 0, 0, 0);
    col->setSpacing(3);
    row->addWidget(left);

    // Ticker as the window design stores it: no border, speed 1, the program's separator.
    ticker_ = new Ticker(left);
    ticker_->setObjectName(named("Ticker"));
    ticker_->setBorderStyle(0);
    ticker_->setScrollSpeed(1);
    ticker_->setSeparator(kTickerSeparator);
    // The window stores no colours for it: the ticker's own button-face defaults apply.
    ticker_->setFont(DisplayFont(9.75));
    ticker_->setFixedHeight(22);
    connect(&d, &DeckDisplay::tickerFilled, ticker_, &Ticker::Fill);
    if (!d.tickerMessage().isEmpty())
        ticker_->Fill(d.tickerMessage(), d.tickerSeparator(), d.tickerSpeed());
    col->addWidget(ticker_);

    // The two meters under the ticker, each as wide as its bar image.
    vuLeft_ = new LevelMeter(left);
    vuLeft_->setObjectName(named("VUleft"));
    vuRight_ = new LevelMeter(left);
    vuRight_->setObjectName(named("VUright"));
    for (LevelMeter* m : {vuLeft_, vuRight_}) {
        m->setToolTip(m == vuLeft_ ? tr("Left") : tr("Right"));
        col->addWidget(m, 0, Qt::AlignHCenter);
    }
    connect(&d, &DeckDisplay::vuLeftChanged, vuLeft_, &LevelMeter::setPercent);
    connect(&d, &DeckDisplay::vuRightChanged, vuRight_, &LevelMeter::setPercent);

    // The main window's design stores the bars with Max 0, 7290 x 180 twips across the panel's
    // foot: no fill until a song sets it.
    progress_ = new ProgressBar(0, this);
    progress_->setObjectName(named("SongProgress"));
    progress_->setFixedSize(kProgressWidth, kProgressHeight);
    progress_->setMax(d.progressMax());
    progress_->setValue(d.progressValue());
    connect(&d, &DeckDisplay::progressMaxChanged, progress_, &ProgressBar::setMax);
    connect(&d, &DeckDisplay::progressValueChanged, progress_, &ProgressBar::setValue);
    outer->addWidget(progress_, 0, Qt::AlignHCenter);

    // The time, and beside it the mix-now button.
    auto* timeRow = new QHBoxLayout;
    timeRow->setSpacing(4);
    time_ = new QLabel(d.timeLabel.Caption(), left);
    time_->setObjectName(named("lblTime"));
    QFont timeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    timeFont.setPixelSize(20);
    timeFont.setBold(true);
    time_->setFont(timeFont);
    time_->setAlignment(Qt::AlignCenter);
    time_->setFixedWidth(time_->fontMetrics().horizontalAdvance(QStringLiteral("000:00:00")) + 12);
    time_->setFixedHeight(30);
    time_->setStyleSheet(
        QStringLiteral("QLabel { background: #12161c; color: #9cd8ff; "
                       "border: 1px solid palette(mid); border-radius: 3px; }"));
    time_->setToolTip(tr("Click to switch between elapsed and remaining time"));
    time_->setCursor(Qt::PointingHandCursor);
    time_->installEventFilter(
        new ClickFilter(time_, [&deck] { deck.transport.toggleTimeDisplay(); }));
    connect(&d.timeLabel, &Label::captionChanged, time_, &QLabel::setText);
    timeRow->addWidget(time_);
    timeRow->addStretch(1);
    QToolButton* mix = button(named("cmdMix"), tr("Mix to the other deck now"));
    mix->setText(tr("Mix now"));
    mix->setIcon(crossFadeIcon(palette()));
    mix->setIconSize(QSize(16, 16));
    mix->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
    mix->setFixedHeight(30);
    mix->setMinimumWidth(88);
    connect(mix, &QToolButton::clicked, this, [&deck, &mixer] { mixer.mixNow(deck); });
    timeRow->addWidget(mix);
    col->addLayout(timeRow);

    // Transport, and at its right the mixing interval's caption and value.
    auto* transport = new QHBoxLayout;
    transport->setSpacing(2);
    QStyle* st = style();
    struct Cmd {
        const char* name;
        QString tip;
        QStyle::StandardPixmap icon;
        void (Transport::*command)();
    };
    const Cmd cmds[] = {
        {"cmdRewind", tr("Rewind 5 seconds"), QStyle::SP_MediaSeekBackward, &Transport::rewind},
        {"cmdPlay", tr("Play"), QStyle::SP_MediaPlay, &Transport::play},
        {"cmdPause", tr("Pause"), QStyle::SP_MediaPause, &Transport::pause},
        {"cmdStop", tr("Stop"), QStyle::SP_MediaStop, &Transport::stop},
        {"cmdFForward", tr("Forward 5 seconds"), QStyle::SP_MediaSeekForward,
         &Transport::fastForward},
    };
    for (const Cmd& c : cmds) {
        QToolButton* b = button(named(c.name), c.tip);
        b->setIcon(st->standardIcon(c.icon, nullptr, b));
        b->setIconSize(QSize(16, 16));
        b->setFixedSize(kTransportSize, kTransportSize);
        connect(b, &QToolButton::clicked, this,
                [&deck, command = c.command] { (deck.transport.*command)(); });
        transport->addWidget(b);
    }
    // The open button adds files to the playlist, as the playlist's own button does; it never
    // loads the deck.
    QToolButton* open = button(named("cmdOpen"), tr("Add file to playlist"));
    open->setIcon(st->standardIcon(QStyle::SP_DialogOpenButton, nullptr, open));
    open->setIconSize(QSize(16, 16));
    open->setFixedSize(kTransportSize, kTransportSize);
    connect(open, &QToolButton::clicked, this, &DeckPanel::openClicked);
    transport->addWidget(open);
    transport->addStretch(1);
    QFont small = font();
    small.setPointSizeF(small.pointSizeF() * 0.85);
    auto* interval = new QVBoxLayout;
    interval->setSpacing(0);
    auto* caption = new QLabel(tr("Mixing interval"), left);
    caption->setFont(small);
    caption->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    auto* value = new QLabel(mixer.mixIntervalLabel.Caption(), left);
    value->setObjectName(named("lblMixingInterval"));
    QFont valueFont = small;
    valueFont.setBold(true);
    value->setFont(valueFont);
    value->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    connect(&mixer.mixIntervalLabel, &Label::captionChanged, value, &QLabel::setText);
    interval->addWidget(caption);
    interval->addWidget(value);
    transport->addLayout(interval);
    col->addLayout(transport);

    // The mixing interval's slider with its step and reset buttons.
    auto* mixRow = new QHBoxLayout;
    mixRow->setSpacing(2);
    QToolButton* down = button(named("cmdMixIntervalDown"), tr("Shorter mix"));
    down->setText(QStringLiteral("\u2212"));
    mixSlider_ = new QSlider(Qt::Horizontal, left);
    mixSlider_->setObjectName(named("sldMixInterval"));
    mixSlider_->setFixedHeight(kSmallButton);
    mixSlider_->setPageStep(2);
    mixSlider_->setToolTip(tr("Mixing interval"));
    SliderBinding::bind(mixer.mixIntervalSlider, *mixSlider_);
    QToolButton* up = button(named("cmdMixIntervalUp"), tr("Longer mix"));
    up->setText(QStringLiteral("+"));
    QToolButton* reset = button(named("cmdMixIntervalReset"), tr("Reset mixing interval"));
    reset->setText(QStringLiteral("\u21BA"));
    for (QToolButton* b : {down, up, reset}) b->setFixedSize(kSmallButton, kSmallButton);
    connect(down, &QToolButton::clicked, this, [&mixer] { mixer.intervalDown(); });
    connect(up, &QToolButton::clicked, this, [&mixer] { mixer.intervalUp(); });
    connect(reset, &QToolButton::clicked, this, [&mixer] { mixer.intervalReset(); });
    mixRow->addWidget(down);
    mixRow->addWidget(mixSlider_, 1);
    mixRow->addWidget(up);
    mixRow->addWidget(reset);
    col->addLayout(mixRow);
    col->addStretch(1);

    // Read as two columns: the transport side, then the sound settings beside it. Taken in
    // last, the sound panel follows the transport side for Tab as well.
    if (soundPanel) {
        soundPanel->setParent(this);
        row->addWidget(soundPanel, 1);
    } else {
        row->addStretch(1);
    }
}

QToolButton* DeckPanel::button(const QString& name, const QString& toolTip) {
    auto* b = new QToolButton(this);
    b->setObjectName(name);
    b->setToolTip(toolTip);
    b->setAutoRaise(false);
    b->setFocusPolicy(Qt::TabFocus);  // a click leaves the keyboard where it was
    return b;
}

QString DeckPanel::named(const char* base) const {
    const QString name = QString::fromLatin1(base);
    return deck_.index() == 1 ? name + QLatin1Char('2') : name;
}

}  // namespace vantrel
