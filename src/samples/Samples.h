#pragma once
// The sample tab's commands: firing samples from the group lists and from the user's sample list
// on the free channels of the sample media control, the sample volume, and filling the sample
// list from a folder.
#include <QObject>
#include <QString>
#include <functional>

#include "samples/SampleGroups.h"
#include "sound/Slider.h"

namespace vantrel {

namespace audio {
class MediaControl;
}
struct DeckState;
class Playlist;

class Samples : public QObject {
    Q_OBJECT
public:
    Samples(const DeckState& state, audio::MediaControl& dmcSample, Playlist& sampleList,
            QObject* parent = nullptr);

    SampleGroups groups;
    // Read only when a sample starts: a sample keeps the volume it started with.
    Slider sldSampleVolume{0, 100, 70};
    QString LastSampleFolder;

    // The playlist's add-folder command, lent to the sample list by the desk: it searches the
    // chosen folder for `patterns`, remembers the folder in `lastFolder` and fills `target`.
    std::function<void(const QString& patterns, QString& lastFolder, Playlist& target)> addFolder;

    void SetSampleFolders(const QString& programFolder) { groups.SetSampleFolders(programFolder); }

    // The first channel 1..32 that is not playing, 0 if all are; the last channel tried stays
    // current.
    int FindFreeSampleChannel();
    // Plays the selected file of a group list, only while a deck is the playing deck.
    void PlayFolderSample(FileList& list);
    // Plays the selected entry of the user's sample list, at any time.
    void lstSampleClick();

    void cmdSampleVolDown();
    void cmdSampleVolUp();
    void cmdAddSampleFolderList();

private:
    // Steps shared by both lists once the channel is chosen and the list's own test passed.
    void startOnCurrentChannel(const QString& path);

    const DeckState& state_;
    audio::MediaControl& dmc_;
    Playlist& sampleList_;
};

}  // namespace vantrel
