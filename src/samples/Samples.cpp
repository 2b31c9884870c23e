#include "samples/Samples.h"

#include "audio/MediaControl.h"
#include "deck/DeckState.h"
#include "playlist/Playlist.h"

namespace vantrel {

namespace {
const QString kSamplePatterns = QStringLiteral("*.mp3;*.wav");
}

Samples::Samples(const DeckState& state, audio::MediaControl& dmcSample, Playlist& sampleList,
                 QObject* parent)
    : QObject(parent), state_(state), dmc_(dmcSample), sampleList_(sampleList) {
    sldSampleVolume.SetToolTipText(QStringLiteral("Sample volume"));
}

int Samples::FindFreeSampleChannel() {
    for (int n = 1; n <= audio::MediaControl::kChannels; ++n) {
        dmc_.SetChannel(n);
        if (!dmc_.Playing()) return n;
    }
    return 0;
}

void Samples::PlayFolderSample(FileList& list) {
    const int n = FindFreeSampleChannel();
    dmc_.SetChannel(n);
    if (!state_.Deck1Playing && !state_.Deck2Playing) return;
    // With every channel busy, channel 0 is current and the click starts nothing.
    if (n == 0 || dmc_.Playing()) return;
    const QString path = list.SelectedPath();
    if (path.isEmpty()) return;
    startOnCurrentChannel(path);
}

void Samples::lstSampleClick() {
    const int n = FindFreeSampleChannel();
    dmc_.SetChannel(n);
    if (n == 0 || dmc_.Playing()) return;
    const int selected = sampleList_.selected();
    if (selected < 0) return;
    startOnCurrentChannel(sampleList_.path(selected));
}

void Samples::startOnCurrentChannel(const QString& path) {
    // No result is checked: a file that cannot be decoded leaves the channel free and silent.
    dmc_.LoadSample(path.toStdString());
    dmc_.PlaySample(false);
    dmc_.SetVolume(sldSampleVolume.Value());
}

void Samples::cmdSampleVolDown() {
    const int v = sldSampleVolume.Value();
    sldSampleVolume.SetValue(v - 10 >= 0 ? v - 10 : 0);
}

void Samples::cmdSampleVolUp() {
    const int v = sldSampleVolume.Value();
    sldSampleVolume.SetValue(v + 10 > 100 ? 100 : v + 10);
}

void Samples::cmdAddSampleFolderList() {
    if (addFolder) addFolder(kSamplePatterns, LastSampleFolder, sampleList_);
}

}  // namespace vantrel
