#pragma once
// The sample tab's commands: firing samples from the group lists and from the user's sample list
// on the free channels of the sample media control, the sample volume, and filling the sample
// list from a folder.
#include <QObject>
#include <QString>
#include <functional>

#include "base/Slider.h"
#include "samples/SampleGroups.h"

namespace vantrel {

namespace audio {
class MediaControl;
}
class Playlist;

class Samples : public QObject {
    Q_OBJECT
public:
    // aDeckPlays: whether one of the decks is the playing deck (group samples need one).
    Samples(std::function<bool()> aDeckPlays, audio::MediaControl& sampleMediaControl,
            Playlist& sampleList, QObject* parent = nullptr);

    SampleGroups groups;
    // Read only when a sample starts: a sample keeps the volume it started with.
    Slider sampleVolumeSlider{0, 100, 70};
    QString lastSampleFolder;

    // The playlist's add-folder command, lent to the sample list by the desk: it searches the
    // chosen folder for `patterns`, remembers the folder in `lastFolder` and fills `target`.
    std::function<void(const QString& patterns, QString& lastFolder, Playlist& target)> addFolder;

    void setSampleFolders(const QString& programFolder) { groups.setSampleFolders(programFolder); }

    // The first channel 1..32 that is not playing, 0 if all are; the last channel tried stays
    // current.
    int findFreeChannel();
    // Plays the selected file of a group list, only while a deck is the playing deck.
    void playGroupSample(FileList& list);
    // Plays the selected entry of the user's sample list, at any time.
    void onSampleClicked();

    // Fires a sample chosen by the program (a jingle) on the first free channel at the sample
    // volume, lowering the music while it sounds when `ducksMusic`. False when every channel is
    // taken or the file would not decode.
    bool playOver(const QString& path, bool ducksMusic);

    void sampleVolumeDown();
    void sampleVolumeUp();
    void addSampleFolder();

private:
    // Steps shared by both lists once the channel is chosen and the list's own test passed.
    void startOnCurrentChannel(const QString& path);

    std::function<bool()> aDeckPlays_;
    audio::MediaControl& mediaControl_;
    Playlist& sampleList_;
};

}  // namespace vantrel
