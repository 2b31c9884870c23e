#include "samples/ui/SamplePanel.h"

#include <QComboBox>
#include <QEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QListView>
#include <QListWidget>
#include <QSignalBlocker>
#include <QSlider>
#include <QStackedWidget>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>

#include "playlist/ListFile.h"
#include "playlist/Playlist.h"
#include "samples/Samples.h"
#include "sound/ui/SliderBinding.h"
#include "widgets/Icons.h"
#include "widgets/TabOrder.h"

namespace vantrel {

namespace {

// The button's own picture, the one its menu item borrows, else a standard one.
QToolButton* makeButton(QWidget* parent, const char* name, QStyle::StandardPixmap fallback,
                        const QString& toolTip) {
    auto* b = new QToolButton(parent);
    b->setObjectName(QLatin1String(name));
    const QIcon own = ButtonPicture(QLatin1String(name));
    b->setIcon(own.isNull() ? parent->style()->standardIcon(fallback) : own);
    b->setIconSize({20, 20});
    b->setAutoRaise(true);
    b->setToolTip(toolTip);
    b->setFocusPolicy(Qt::TabFocus);
    return b;
}

bool isFireKey(QEvent* event) {
    if (event->type() != QEvent::KeyPress) return false;
    const int key = static_cast<QKeyEvent*>(event)->key();
    return key == Qt::Key_Return || key == Qt::Key_Enter || key == Qt::Key_Space;
}

}  // namespace

SamplePanel::SamplePanel(Samples& samples, Playlist& sampleList, ListCommands& sampleListFile,
                         QWidget* parent)
    : QWidget(parent), samples_(samples), sampleList_(sampleList), sampleListFile_(sampleListFile) {
    SampleGroups& groups = samples.groups;

    // Left: the group box and the group lists stacked in one rectangle.
    cmbSampleGrup_ = new QComboBox(this);
    cmbSampleGrup_->addItems(SampleGroups::Texts());
    cmbSampleGrup_->setCurrentText(groups.cmbSampleGrupText());
    cmbSampleGrup_->setMaxVisibleItems(SampleGroups::kCount);
    cmbSampleGrup_->setAccessibleName(QStringLiteral("Sample group"));
    stack_ = new QStackedWidget(this);
    for (int g = 0; g < SampleGroups::kCount; ++g) stack_->addWidget(makeGroupList(g));
    stack_->setCurrentIndex(groups.Front());

    connect(cmbSampleGrup_, &QComboBox::textActivated, this, [&groups](const QString& text) {
        groups.SetCmbSampleGrupText(text);
        groups.cmbSampleGrupClick();
    });
    connect(&groups, &SampleGroups::cmbSampleGrupTextChanged, this, [this](const QString& text) {
        const QSignalBlocker block(cmbSampleGrup_);
        cmbSampleGrup_->setCurrentText(text);
    });
    connect(&groups, &SampleGroups::frontChanged, stack_, &QStackedWidget::setCurrentIndex);

    // Middle: the user's own sample list and its buttons.
    sampleListView_ = new QListView(this);
    sampleListView_->setModel(&sampleList_);
    sampleListView_->setToolTip(QStringLiteral("Click to play samples"));
    sampleListView_->setAccessibleName(QStringLiteral("Sample list"));
    sampleListView_->setEditTriggers(QAbstractItemView::NoEditTriggers);
    sampleListView_->setSelectionMode(QAbstractItemView::SingleSelection);
    sampleListView_->setUniformItemSizes(true);
    sampleListView_->installEventFilter(this);
    connect(sampleListView_, &QListView::clicked, this,
            [this](const QModelIndex& index) { playSampleRow(index.row()); });
    connect(&sampleList_, &Playlist::selectionChanged, this, &SamplePanel::showSampleSelection);
    connect(&sampleList_, &QAbstractItemModel::modelReset, this, &SamplePanel::showSampleSelection);

    addSampleFolderButton_ =
        makeButton(this, "cmdAddSampleFolderList", QStyle::SP_FileDialogNewFolder,
                   QStringLiteral("Add folder to samplelist"));
    newSampleListButton_ =
        makeButton(this, "cmdNewSampleList", QStyle::SP_FileIcon, QStringLiteral("New samplelist"));
    openSampleListButton_ = makeButton(this, "cmdOpenSampleList", QStyle::SP_DialogOpenButton,
                                       QStringLiteral("Open samplelist"));
    saveSampleListButton_ = makeButton(this, "cmdSaveSampleList", QStyle::SP_DialogSaveButton,
                                       QStringLiteral("Save samplelist"));
    connect(addSampleFolderButton_, &QToolButton::clicked, this,
            [&samples] { samples.addSampleFolder(); });
    connect(newSampleListButton_, &QToolButton::clicked, this,
            [this] { sampleListFile_.newList(); });
    connect(openSampleListButton_, &QToolButton::clicked, this,
            [this] { sampleListFile_.openList(); });
    connect(saveSampleListButton_, &QToolButton::clicked, this,
            [this] { sampleListFile_.saveList(); });

    auto* listButtons = new QHBoxLayout;
    listButtons->setSpacing(2);
    listButtons->addWidget(addSampleFolderButton_);
    listButtons->addStretch(1);
    listButtons->addWidget(newSampleListButton_);
    listButtons->addWidget(openSampleListButton_);
    listButtons->addWidget(saveSampleListButton_);

    // Right: the upright sample volume, loudest at the top.
    auto* speaker = new QLabel(this);
    speaker->setPixmap(style()->standardIcon(QStyle::SP_MediaVolume).pixmap(18, 18));
    speaker->setAlignment(Qt::AlignHCenter);
    sampleVolumeSlider_ = new QSlider(Qt::Vertical, this);
    sampleVolumeSlider_->setTickPosition(QSlider::TicksBothSides);
    sampleVolumeSlider_->setTickInterval(10);
    sampleVolumeSlider_->setPageStep(10);
    sampleVolumeSlider_->setAccessibleName(QStringLiteral("Sample volume"));
    SliderBinding::bind(samples.sampleVolumeSlider, *sampleVolumeSlider_);
    sampleVolumeUpButton_ =
        makeButton(this, "cmdSampleVolUp", QStyle::SP_ArrowUp, QStringLiteral("Sample volume up"));
    sampleVolumeDownButton_ = makeButton(this, "cmdSampleVolDown", QStyle::SP_ArrowDown,
                                         QStringLiteral("Sample volume down"));
    sampleVolumeUpButton_->setAutoRepeat(true);
    sampleVolumeDownButton_->setAutoRepeat(true);
    connect(sampleVolumeUpButton_, &QToolButton::clicked, this,
            [&samples] { samples.sampleVolumeUp(); });
    connect(sampleVolumeDownButton_, &QToolButton::clicked, this,
            [&samples] { samples.sampleVolumeDown(); });

    auto* right = new QVBoxLayout;
    right->setSpacing(2);
    right->addWidget(speaker);
    right->addWidget(sampleVolumeUpButton_, 0, Qt::AlignHCenter);
    right->addWidget(sampleVolumeSlider_, 1, Qt::AlignHCenter);
    right->addWidget(sampleVolumeDownButton_, 0, Qt::AlignHCenter);
    // The volume column reads from the top: the slider was made before the buttons around it.
    SetTabOrder({saveSampleListButton_, sampleVolumeUpButton_, sampleVolumeSlider_,
                 sampleVolumeDownButton_});

    // One grid, so that both lists end on the same line above the list buttons.
    auto* layout = new QGridLayout(this);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->setHorizontalSpacing(8);
    layout->setVerticalSpacing(4);
    layout->addWidget(cmbSampleGrup_, 0, 0);
    layout->addWidget(stack_, 1, 0);
    layout->addWidget(sampleListView_, 0, 1, 2, 1);
    layout->addLayout(listButtons, 2, 1);
    layout->addLayout(right, 0, 2, 3, 1);
    layout->setRowStretch(1, 1);
    layout->setColumnStretch(0, 1);
    layout->setColumnStretch(1, 1);

    showSampleSelection();
}

QListWidget* SamplePanel::makeGroupList(int group) {
    auto* list = new QListWidget(this);
    list->setToolTip(QStringLiteral("Click to play samples while music is playing"));
    list->setAccessibleName(SampleGroups::Text(group));
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    list->setUniformItemSizes(true);
    list->installEventFilter(this);
    groupLists_.at(group) = list;
    showNames(group);

    FileList& files = samples_.groups.List(group);
    connect(&files, &FileList::namesChanged, this, [this, group] { showNames(group); });
    connect(&files, &FileList::listIndexChanged, list, [list](int index) {
        const QSignalBlocker block(list);
        list->setCurrentRow(index);
    });
    connect(list, &QListWidget::clicked, this,
            [this, group](const QModelIndex& index) { playGroupRow(group, index.row()); });
    return list;
}

void SamplePanel::showNames(int group) {
    QListWidget* list = groupLists_.at(group);
    const FileList& files = samples_.groups.List(group);
    const QSignalBlocker block(list);
    list->clear();
    list->addItems(files.Names());
    list->setCurrentRow(files.ListIndex());
}

void SamplePanel::playGroupRow(int group, int row) {
    if (row < 0) return;
    FileList& files = samples_.groups.List(group);
    files.SetListIndex(row);
    samples_.playGroupSample(files);
}

void SamplePanel::playSampleRow(int row) {
    if (row < 0) return;
    sampleList_.setSelected(row);
    samples_.onSampleClicked();
}

void SamplePanel::showSampleSelection() {
    const int selected = sampleList_.selected();
    const QSignalBlocker block(sampleListView_->selectionModel());
    if (selected < 0) {
        sampleListView_->selectionModel()->clear();
        return;
    }
    sampleListView_->setCurrentIndex(sampleList_.index(selected));
}

bool SamplePanel::eventFilter(QObject* watched, QEvent* event) {
    // The keyboard fires the current entry the way a click does.
    if (isFireKey(event)) {
        if (watched == sampleListView_) {
            playSampleRow(sampleListView_->currentIndex().row());
            return true;
        }
        for (int g = 0; g < SampleGroups::kCount; ++g) {
            if (watched == groupLists_.at(g)) {
                playGroupRow(g, groupLists_.at(g)->currentRow());
                return true;
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

}  // namespace vantrel
