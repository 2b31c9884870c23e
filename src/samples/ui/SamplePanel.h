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

class ListCommands;
class Playlist;
class Samples;

class SamplePanel : public QWidget {
    Q_OBJECT
public:
    SamplePanel(Samples& samples, Playlist& sampleList, ListCommands& sampleListFile,
                QWidget* parent = nullptr);

    QComboBox* cmbSampleGrup() const { return cmbSampleGrup_; }
    QStackedWidget* groupStack() const { return stack_; }
    QListWidget* groupList(int group) const { return groupLists_.at(group); }
    QListView* lstSample() const { return sampleListView_; }
    QSlider* sampleVolumeSlider() const { return sampleVolumeSlider_; }
    QToolButton* sampleVolumeDown() const { return sampleVolumeDownButton_; }
    QToolButton* sampleVolumeUp() const { return sampleVolumeUpButton_; }
    QToolButton* addSampleFolder() const { return addSampleFolderButton_; }
    QToolButton* cmdNewSampleList() const { return newSampleListButton_; }
    QToolButton* cmdOpenSampleList() const { return openSampleListButton_; }
    QToolButton* cmdSaveSampleList() const { return saveSampleListButton_; }

    QSize sizeHint() const override { return {490, 390}; }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    QListWidget* makeGroupList(int group);
    void showNames(int group);
    void playGroupRow(int group, int row);
    void playSampleRow(int row);
    void showSampleSelection();

    Samples& samples_;
    Playlist& sampleList_;
    ListCommands& sampleListFile_;
    QComboBox* cmbSampleGrup_ = nullptr;
    QStackedWidget* stack_ = nullptr;
    std::array<QListWidget*, SampleGroups::kCount> groupLists_{};
    QListView* sampleListView_ = nullptr;
    QSlider* sampleVolumeSlider_ = nullptr;
    QToolButton* sampleVolumeDownButton_ = nullptr;
    QToolButton* sampleVolumeUpButton_ = nullptr;
    QToolButton* addSampleFolderButton_ = nullptr;
    QToolButton* newSampleListButton_ = nullptr;
    QToolButton* openSampleListButton_ = nullptr;
    QToolButton* saveSampleListButton_ = nullptr;
};

}  // namespace vantrel
