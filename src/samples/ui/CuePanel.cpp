#include "samples/ui/CuePanel.h"

#include <QFontDatabase>
#include <QFrame>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QStyle>
#include <QToolButton>

#include "samples/CuePoints.h"

namespace vantrel {

namespace {

constexpr int kButton = 24;

// A record button's usual mark: a red dot.
QIcon recordIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x8a, 0x10, 0x10), 1.5));
    p.setBrush(QColor(0xd8, 0x24, 0x24));
    p.drawEllipse(QPointF(16, 16), 9, 9);
    return QIcon(pm);
}

// Clearing a cue point: a grey cross.
QIcon resetIcon() {
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(0x70, 0x74, 0x7a), 3.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9, 9), QPointF(23, 23));
    p.drawLine(QPointF(23, 9), QPointF(9, 23));
    return QIcon(pm);
}

}  // namespace

CuePanel::CuePanel(CuePoints& cues, QWidget* parent) : QWidget(parent) {
    setObjectName(QStringLiteral("CuePanel"));
    auto* columns = new QHBoxLayout(this);
    columns->setContentsMargins(8, 10, 8, 10);
    columns->setSpacing(10);

    const QIcon play = style()->standardIcon(QStyle::SP_MediaPlay);
    const QIcon record = recordIcon();
    const QIcon reset = resetIcon();
    QFont timeFont = QFontDatabase::systemFont(QFontDatabase::FixedFont);
    timeFont.setPixelSize(13);
    timeFont.setBold(true);

    for (int column = 0; column < 2; ++column) {
        auto* box = new QFrame(this);
        box->setFrameShape(QFrame::StyledPanel);
        auto* grid = new QGridLayout(box);
        grid->setContentsMargins(8, 8, 8, 8);
        grid->setHorizontalSpacing(3);
        grid->setVerticalSpacing(8);
        for (int r = 0; r < 4; ++r) {
            const int i = column * 4 + r;
            auto* caption = new QLabel(QStringLiteral("Cue %1").arg(i + 1), box);
            QFont bold = caption->font();
            bold.setBold(true);
            caption->setFont(bold);
            caption->setMinimumWidth(caption->fontMetrics().horizontalAdvance("Cue 8") + 4);

            auto makeButton = [&](const char* name, const QIcon& icon, const QString& tip) {
                auto* b = new QToolButton(box);
                b->setObjectName(QStringLiteral("%1%2").arg(QLatin1String(name)).arg(i));
                b->setIcon(icon);
                b->setIconSize(QSize(16, 16));
                b->setToolTip(tip);
                b->setFixedSize(kButton, kButton);
                b->setFocusPolicy(Qt::TabFocus);
                return b;
            };
            QToolButton* bPlay = makeButton("cmdCuePlay", play, kPlayToolTip);
            QToolButton* bRecord = makeButton("cmdCueRecord", record, kRecordToolTip);
            QToolButton* bReset = makeButton("cmdCueReset", reset, kResetToolTip);
            connect(bPlay, &QToolButton::clicked, this, [&cues, i] { cues.jumpTo(i); });
            connect(bRecord, &QToolButton::clicked, this, [&cues, i] { cues.record(i); });
            connect(bReset, &QToolButton::clicked, this, [&cues, i] { cues.clear(i); });

            auto* time = new QLabel(cues.timeLabels[size_t(i)].Caption(), box);
            time->setObjectName(QStringLiteral("lblCueTime%1").arg(i));
            time->setFont(timeFont);
            time->setAlignment(Qt::AlignCenter);
            time->setMinimumWidth(time->fontMetrics().horizontalAdvance("00:00:00") + 10);
            time->setFixedHeight(kButton);
            time->setStyleSheet(QStringLiteral(
                "QLabel { background: #12161c; color: #9cd8ff; border: 1px solid palette(mid); "
                "border-radius: 3px; }"));
            connect(&cues.timeLabels[size_t(i)], &Label::captionChanged, time, &QLabel::setText);

            grid->addWidget(caption, r, 0);
            grid->addWidget(bPlay, r, 1);
            grid->addWidget(bRecord, r, 2);
            grid->addWidget(bReset, r, 3);
            grid->addWidget(time, r, 4);
        }
        grid->setColumnStretch(4, 1);
        columns->addWidget(box, 1, Qt::AlignTop);
    }
}

}  // namespace vantrel
