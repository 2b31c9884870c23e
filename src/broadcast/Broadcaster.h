#pragma once
// The mix on air and on disk: one thread of its own reads the engine's mix tap, encodes it for
// the Icecast stream and for the recording, and keeps the connection up, retrying with a
// growing pause while the music plays on. Nothing here ever makes the engine wait.
#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>
#include <thread>

#include "broadcast/IcecastLink.h"

namespace vantrel::audio {
class MixTap;
}

namespace vantrel::broadcast {

struct BroadcastStatus {
    enum class Stream { Off, Connecting, OnAir, Waiting };
    Stream stream = Stream::Off;
    std::string address;             // user@host:port/mount, no password
    double onAirSeconds = 0;         // since this connection came up
    int retryInSeconds = 0;          // while waiting to try again
    std::string reason;              // why the last connection failed or ended
    std::string title;               // what the listeners are told is playing
    std::int64_t droppedFrames = 0;  // mix the stream could not take in time, dropped oldest first

    bool recording = false;
    std::string recordingPath;
    double recordedSeconds = 0;
    std::string recordingMessage;  // why the recording stopped, when it stopped by itself
};

class Broadcaster {
public:
    explicit Broadcaster(audio::MixTap& tap);
    ~Broadcaster();
    Broadcaster(const Broadcaster&) = delete;
    Broadcaster& operator=(const Broadcaster&) = delete;

    // Each call starts anew with these settings (a running stream is closed first).
    void startStream(const StreamSettings& settings);
    void stopStream();
    // The format follows the file's extension: wav, flac, ogg, opus or mp3.
    void startRecording(const std::string& path);
    void stopRecording();

    // The song now heard: its tags are read off this thread, and its "Artist - Title" (or
    // `fallbackTitle` when it has none) goes on air.
    void setNowPlaying(const std::string& path, const std::string& fallbackTitle);

    BroadcastStatus status() const;

    // How much of the mix the stream holds back while the server does not take it.
    static constexpr int kBacklogSeconds = 3;
    // A connect or a stalled server given up after this long, and tried again.
    static constexpr int kStallSeconds = 10;
    static constexpr int kLongestPauseSeconds = 30;

    struct Work;

private:
    void run();

    audio::MixTap& tap_;
    std::unique_ptr<Work> work_;  // the thread's own state

    mutable std::mutex lock_;  // guards what follows: requests in, status out
    std::condition_variable wake_;
    bool quit_ = false;
    StreamSettings streamSettings_;
    std::uint64_t streamRequest_ = 0;  // bumped by each start and stop
    bool streamWanted_ = false;
    std::string recordingPath_;
    std::uint64_t recordingRequest_ = 0;
    bool recordingWanted_ = false;
    std::shared_ptr<struct TitleBox> titles_;
    BroadcastStatus status_;

    std::thread thread_;
};

}  // namespace vantrel::broadcast
