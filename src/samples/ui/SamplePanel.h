#pragma once
// The "Sample list" tab page: the group box with the nine stacked group lists, the user's sample
// list with its file and folder buttons, and the upright sample volume with its two buttons.
// Every click goes to one core handler of the desk's samples.
#include <QWidget>
#include <array>

#include "samples/SampleGroups.h"

class QComboBox;
class QListView;
class QListWidget;
class QSlider;
class QStackedWidget;
class QToolButton;

namespace vantrel {

class Desk;

class SamplePanel : public QWidget {
    Q_OBJECT
public:
    explicit SamplePanel(Desk& desk, QWidget* parent = nullptr);

    QComboBox* cmbSampleGrup() const { return cmbSampleGrup_; }
    QStackedWidget* groupStack() const { return stack_; }
    QListWidget* groupList(int group) const { return groupLists_.at(group); }
    QListView* lstSample() const { return lstSample_; }
    QSlider* sldSampleVolume() const { return sldSampleVolume_; }
    QToolButton* cmdSampleVolDown() const { return cmdSampleVolDown_; }
    QToolButton* cmdSampleVolUp() const { return cmdSampleVolUp_; }
    QToolButton* cmdAddSampleFolderList() const { return cmdAddSampleFolderList_; }
    QToolButton* cmdNewSampleList() const { return cmdNewSampleList_; }
    QToolButton* cmdOpenSampleList() const { return cmdOpenSampleList_; }
    QToolButton* cmdSaveSampleList() const { return cmdSaveSampleList_; }

    QSize sizeHint() const override { return {490, 390}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* makeGroupList(int group);
    void showNames(int group);
    void playGroupRow(int group, int row);
    void playSampleRow(int row);
    void showSampleSelection();

    Desk& desk_;
    QComboBox* cmbSampleGrup_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::array<QListWidget*, SampleGroups::kCount> groupLists_{};
    QListView* lstSample_ = nullptr;
    QSlider* sldSampleVolume_ = nullptr;
    QToolButton* cmdSampleVolDown_ = nullptr;
    QToolButton* cmdSampleVolUp_ = nullptr;
    QToolButton* cmdAddSampleFolderList_ = nullptr;
    QToolButton* cmdNewSampleList_ = nullptr;
    QToolButton* cmdOpenSampleList_ = nullptr;
    QToolButton* cmdSaveSampleList_ = nullptr;
};

}  // namespace vantrel
