#include "sound/ui/SoundPanel.h"

#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QSlider>
#include <QToolButton>

#include "base/Label.h"
#include "sound/MasterVolume.h"
#include "sound/SoundControls.h"
#include "sound/ui/SliderBinding.h"
#include "widgets/TabOrder.h"

namespace vantrel {

namespace {

constexpr int kButtonSize = 18;
constexpr int kValueWidth = 34;

QFont smallFont(const QWidget* w) {
    QFont f = w->font();
    f.setPointSizeF(f.pointSizeF() * 0.85);
    return f;
}

}  // namespace

SoundPanel::SoundPanel(SoundControls& c, MasterVolume& master, int deck, QWidget* parent)
    : QWidget(parent), deck_(deck == 2 ? 2 : 1) {
    setObjectName(named(QStringLiteral("SoundPanel")));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(4, 2, 4, 2);
    grid->setHorizontalSpacing(2);
    grid->setVerticalSpacing(0);

    // Columns: 0 down, 1 slider, 2 up, 3 reset. Each setting takes a caption line (caption left,
    // value right) and a control line.
    struct Row {
        const QString& caption;
        Slider& slider;
        Label& value;
        const char* sliderName;
        const char* valueName;
        const char* down;
        const char* up;
        const char* reset;
        void (SoundControls::*cmdDown)();
        void (SoundControls::*cmdUp)();
        void (SoundControls::*cmdReset)();
        int singleStep;
        int pageStep;
    };
    const Row rows[] = {
        {SoundControls::kTempoCaption, c.tempoSlider, c.tempoLabel, "sldTempo", "lblTempo",
         "cmdTempoDown", "cmdTempoUp", "cmdTempoReset", &SoundControls::tempoDown,
         &SoundControls::tempoUp, &SoundControls::tempoReset, 10, 100},
        {SoundControls::kGradualCaption, c.gradualPitchSlider, c.gradualPitchLabel, "sldPitchGrad",
         "lblPitchGrade", "cmdGradualDown", "cmdGradualUp", "cmdPitchResetGrad",
         &SoundControls::gradualDown, &SoundControls::gradualUp, &SoundControls::gradualReset, 10,
         100},
        {SoundControls::kSemitoneCaption, c.semitoneSlider, c.semitoneLabel, "sldPitchSemi",
         "lblPitchSemi", "cmdSemitoneDown", "cmdSemitoneUp", "cmdPitchResetSemi",
         &SoundControls::semitoneDown, &SoundControls::semitoneUp, &SoundControls::semitoneReset, 1,
         3},
        {SoundControls::kRateCaption, c.rateSlider, c.rateLabel, "sldSpeed", "lblRate",
         "cmdTempoPitchDown", "cmdTempoPitchUp", "cmdRateReset", &SoundControls::rateDown,
         &SoundControls::rateUp, &SoundControls::rateReset, 10, 100},
    };

    // Rows: a caption line (caption left, value right) over a control line, with stretchable
    // gaps between the settings so the panel fills its height evenly.
    int line = 0;
    auto addHead = [&](const QString& caption, QLabel* value) {
        auto* head = new QHBoxLayout;
        head->setContentsMargins(0, 0, 0, 0);
        head->addWidget(addCaption(caption));
        head->addStretch(1);
        if (value) head->addWidget(value);
        grid->addLayout(head, line++, 0, 1, 4);
    };
    auto addGap = [&] {
        grid->addItem(new QSpacerItem(0, 0, QSizePolicy::Minimum, QSizePolicy::Expanding), line, 0);
        grid->setRowStretch(line++, 1);
    };

    // Each setting's line is read left to right, though its buttons are made before its slider.
    QList<QWidget*> tabOrder;
    for (const Row& r : rows) {
        QLabel* value =
            addLabel(r.value, QString::fromLatin1(r.valueName), Qt::AlignRight | Qt::AlignVCenter);
        value->setMinimumWidth(kValueWidth);
        addHead(r.caption, value);

        QToolButton* down = addButton(QStringLiteral("\u2212"), SoundControls::kDownToolTip,
                                      QString::fromLatin1(r.down));
        QToolButton* up =
            addButton(QStringLiteral("+"), SoundControls::kUpToolTip, QString::fromLatin1(r.up));
        QToolButton* reset = addButton(QStringLiteral("\u21BA"), SoundControls::kResetToolTip,
                                       QString::fromLatin1(r.reset));
        QSlider* slider =
            addSlider(r.slider, QString::fromLatin1(r.sliderName), r.singleStep, r.pageStep);
        grid->addWidget(down, line, 0);
        grid->addWidget(slider, line, 1);
        grid->addWidget(up, line, 2);
        tabOrder << down << slider << up << reset;
        grid->addWidget(reset, line, 3);
        connect(down, &QToolButton::clicked, this, [&c, f = r.cmdDown] { (c.*f)(); });
        connect(up, &QToolButton::clicked, this, [&c, f = r.cmdUp] { (c.*f)(); });
        connect(reset, &QToolButton::clicked, this, [&c, f = r.cmdReset] { (c.*f)(); });
        ++line;
        addGap();
    }

    // The shared settings; each deck panel shows its own twin of each. Each takes one line,
    // caption beside the control, so the six settings fit the deck panel's height.
    const bool one = deck_ == 1;
    auto* volume = new QHBoxLayout;
    volume->setContentsMargins(0, 0, 0, 0);
    volume->setSpacing(4);
    volume->addWidget(addCaption(MasterVolume::kVolumeCaption));
    QSlider* volumeSlider = addSlider(one ? master.volumeSlider : master.volumeSlider2,
                                      QStringLiteral("sldVolume"), 655, 6553);
    volume->addWidget(volumeSlider, 1);
    grid->addLayout(volume, line++, 0, 1, 4);
    addGap();

    auto* balance = new QHBoxLayout;
    balance->setContentsMargins(0, 0, 0, 0);
    balance->setSpacing(2);
    balance->addWidget(addCaption(MasterVolume::kBalanceCaption));
    balance->addSpacing(2);
    QLabel* left = addLabel(one ? master.balanceLeftLabel : master.balanceLeftLabel2,
                            QStringLiteral("lblBalanceLeft"), Qt::AlignRight | Qt::AlignVCenter);
    QLabel* right = addLabel(one ? master.balanceRightLabel : master.balanceRightLabel2,
                             QStringLiteral("lblBalanceRight"), Qt::AlignLeft | Qt::AlignVCenter);
    // Wide enough for "100%", so the slider keeps its place whatever the labels read.
    const int shareWidth = left->fontMetrics().horizontalAdvance(QStringLiteral("100%")) + 2;
    left->setFixedWidth(shareWidth);
    right->setFixedWidth(shareWidth);
    balance->addWidget(left);
    QSlider* balanceSlider = addSlider(one ? master.balanceSlider : master.balanceSlider2,
                                       QStringLiteral("sldBalance"), 1, 10);
    balance->addWidget(balanceSlider, 1);
    balance->addWidget(right);
    grid->addLayout(balance, line++, 0, 1, 4);
    tabOrder << volumeSlider << balanceSlider;
    SetTabOrder(tabOrder);

    grid->setColumnStretch(1, 1);
}

QString SoundPanel::named(const QString& base) const {
    return deck_ == 2 ? base + QLatin1Char('2') : base;
}

QSlider* SoundPanel::addSlider(Slider& core, const QString& name, int singleStep, int pageStep) {
    auto* s = new QSlider(Qt::Horizontal, this);
    s->setObjectName(named(name));
    s->setFixedHeight(kButtonSize);
    s->setSingleStep(singleStep);
    s->setPageStep(pageStep);
    SliderBinding::bind(core, *s);
    return s;
}

QToolButton* SoundPanel::addButton(const QString& text, const QString& toolTip,
                                   const QString& name) {
    auto* b = new QToolButton(this);
    b->setObjectName(named(name));
    b->setText(text);
    b->setToolTip(toolTip);
    b->setFixedSize(kButtonSize, kButtonSize);
    b->setFocusPolicy(Qt::TabFocus);  // a click leaves the keyboard where it was
    return b;
}

QLabel* SoundPanel::addLabel(Label& core, const QString& name, Qt::Alignment align) {
    auto* l = new QLabel(core.Caption(), this);
    l->setObjectName(named(name));
    l->setAlignment(align);
    l->setFont(smallFont(this));
    connect(&core, &Label::captionChanged, l, &QLabel::setText);
    return l;
}

QLabel* SoundPanel::addCaption(const QString& text) {
    auto* l = new QLabel(text, this);
    l->setFont(smallFont(this));
    return l;
}

}  // namespace vantrel
