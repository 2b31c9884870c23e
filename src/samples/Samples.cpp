#include "samples/Samples.h"

#include "audio/MediaControl.h"
#include "base/FilePath.h"
#include "playlist/Playlist.h"

namespace vantrel {

namespace {
const QString kSamplePatterns = QStringLiteral("*.mp3;*.wav");
}

Samples::Samples(std::function<bool()> aDeckPlays, audio::MediaControl& sampleMediaControl,
                 Playlist& sampleList, QObject* parent)
    : QObject(parent),
      aDeckPlays_(std::move(aDeckPlays)),
      mediaControl_(sampleMediaControl),
      sampleList_(sampleList) {
    sampleVolumeSlider.SetToolTipText(QStringLiteral("Sample volume"));
}

int Samples::findFreeChannel() {
    for (int n = 1; n <= audio::MediaControl::kChannels; ++n) {
        mediaControl_.SetChannel(n);
        if (!mediaControl_.Playing()) return n;
    }
    return 0;
}

void Samples::playGroupSample(FileList& list) {
    const int n = findFreeChannel();
    mediaControl_.SetChannel(n);
    if (!aDeckPlays_()) return;
    // With every channel busy, channel 0 is current and the click starts nothing.
    if (n == 0 || mediaControl_.Playing()) return;
    const QString path = list.SelectedPath();
    if (path.isEmpty()) return;
    startOnCurrentChannel(path);
}

void Samples::onSampleClicked() {
    const int n = findFreeChannel();
    mediaControl_.SetChannel(n);
    if (n == 0 || mediaControl_.Playing()) return;
    const int selected = sampleList_.selected();
    if (selected < 0) return;
    startOnCurrentChannel(sampleList_.path(selected));
}

void Samples::startOnCurrentChannel(const QString& path) {
    // No result is checked: a file that cannot be decoded leaves the channel free and silent.
    mediaControl_.LoadSample(PathToStdString(path));
    mediaControl_.PlaySample(false);
    mediaControl_.SetVolume(sampleVolumeSlider.Value());
}

bool Samples::playOver(const QString& path, bool ducksMusic) {
    const int n = findFreeChannel();
    mediaControl_.SetChannel(n);
    if (n == 0 || mediaControl_.Playing()) return false;
    if (mediaControl_.LoadSample(path.toStdString()) != 0) return false;
    mediaControl_.SetDucksMusic(ducksMusic);
    mediaControl_.PlaySample(false);
    mediaControl_.SetVolume(sampleVolumeSlider.Value());
    return true;
}

void Samples::sampleVolumeDown() {
    const int v = sampleVolumeSlider.Value();
    sampleVolumeSlider.SetValue(v - 10 >= 0 ? v - 10 : 0);
}

void Samples::sampleVolumeUp() {
    const int v = sampleVolumeSlider.Value();
    sampleVolumeSlider.SetValue(v + 10 > 100 ? 100 : v + 10);
}

void Samples::addSampleFolder() {
    if (addFolder) addFolder(kSamplePatterns, lastSampleFolder, sampleList_);
}

}  // namespace vantrel
