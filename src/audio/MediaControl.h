#pragma once
// The media control: measures files in whole seconds and plays short samples on 32 channels.
#include <memory>
#include <string>

namespace vantrel::audio {

class Engine;

class MediaControl {
public:
    static constexpr int kChannels = 32;

    explicit MediaControl(Engine& engine);
    ~MediaControl();
    MediaControl(const MediaControl&) = delete;
    MediaControl& operator=(const MediaControl&) = delete;

    int Initialize(void* window, int sampleRate, bool flag1, bool flag2);  // window unused
    void Shutdown();
    int OpenFile(const std::string& utf8Path);
    int Duration() const;  // whole seconds, truncated; 0 when nothing is open
    void CloseFile();
    void SetChannel(int channel);  // 1..32; 0 (none free) addresses no channel
    int Channel() const;
    bool Playing() const;                         // the current channel sounds
    int LoadSample(const std::string& utf8Path);  // into the current channel; 0 = loaded
    void PlaySample(bool loop);
    void SetVolume(int volume);  // 0..100, the current channel
    // Whether the current channel's next firing lowers the music (the engine's duck) while it
    // sounds; off unless set, and reset by every LoadSample.
    void SetDucksMusic(bool on);

    struct Impl;

private:
    std::unique_ptr<Impl> impl_;
};

}  // namespace vantrel::audio
