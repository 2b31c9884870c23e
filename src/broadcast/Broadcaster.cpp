#include "broadcast/Broadcaster.h"

#include <pthread.h>

#include <algorithm>
#include <chrono>
#include <vector>

#include "audio/MixTap.h"
#include "audio/SongTags.h"

namespace vantrel::broadcast {

namespace {

using Clock = std::chrono::steady_clock;

constexpr auto kTick = std::chrono::milliseconds(10);

double secondsSince(Clock::time_point t) {
    return std::chrono::duration<double>(Clock::now() - t).count();
}

// The mix the stream could not send yet, at most a fixed length: past it the oldest goes.
class Backlog {
public:
    explicit Backlog(std::size_t frames) : samples_(frames * 2) {}
    void push(const float* in, std::size_t frames, std::int64_t& dropped) {
        const std::size_t capacity = samples_.size() / 2;
        for (std::size_t i = 0; i < frames; ++i) {
            if (count_ == capacity) {
                start_ = (start_ + 1) % capacity;
                --count_;
                ++dropped;
            }
            const std::size_t at = (start_ + count_) % capacity;
            samples_[at * 2] = in[i * 2];
            samples_[at * 2 + 1] = in[i * 2 + 1];
            ++count_;
        }
    }
    // The oldest frames, in at most two runs; then drop() what was used.
    std::size_t firstRun(const float*& run) const {
        run = samples_.data() + start_ * 2;
        return std::min(count_, samples_.size() / 2 - start_);
    }
    void drop(std::size_t frames) {
        frames = std::min(frames, count_);
        start_ = (start_ + frames) % (samples_.size() / 2);
        count_ -= frames;
    }
    std::size_t size() const { return count_; }
    void clear() { start_ = count_ = 0; }

private:
    std::vector<float> samples_;
    std::size_t start_ = 0;
    std::size_t count_ = 0;
};

bool formatFromPath(const std::string& path, MixFormat& format) {
    const auto dot = path.rfind('.');
    const auto slash = path.rfind('/');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return false;
    return mixFormatFromName(path.substr(dot + 1), format);
}

}  // namespace

// Titles read by short-lived readers, so a song on a hung mount never holds the stream up.
struct TitleBox {
    std::mutex lock;
    std::uint64_t asked = 0;
    std::uint64_t answered = 0;
    std::string title;
};

struct Broadcaster::Work {
    explicit Work(int rate)
        : rate(rate), block(std::size_t(rate) * 2), backlog(std::size_t(rate) * kBacklogSeconds) {}

    const int rate;
    std::vector<float> block;
    Backlog backlog;

    // The stream.
    enum class Phase { Off, Connecting, OnAir, Waiting };
    Phase phase = Phase::Off;
    std::uint64_t request = 0;
    StreamSettings settings;
    IcecastLink link;
    std::unique_ptr<MixEncoder> encoder;
    Clock::time_point since{};       // of the connect try, the connection, or the wait
    Clock::time_point stallSince{};  // the server has not taken what we sent since then
    bool stalled = false;
    int pauseSeconds = 1;
    int waitSeconds = 0;
    std::string reason;
    std::string title;  // on air
    std::uint64_t titleSeen = 0;
    std::int64_t dropped = 0;

    // The recording.
    std::uint64_t recordingRequest = 0;
    std::unique_ptr<MixEncoder> recorder;
    std::string recordingPath;
    std::string recordingMessage;
};

Broadcaster::Broadcaster(audio::MixTap& tap)
    : tap_(tap),
      work_(std::make_unique<Work>(tap.sampleRate())),
      titles_(std::make_shared<TitleBox>()),
      thread_([this] { run(); }) {}

Broadcaster::~Broadcaster() {
    {
        std::lock_guard guard(lock_);
        quit_ = true;
    }
    wake_.notify_all();
    thread_.join();
    tap_.close();
}

void Broadcaster::startStream(const StreamSettings& settings) {
    std::lock_guard guard(lock_);
    streamSettings_ = settings;
    streamWanted_ = true;
    ++streamRequest_;
    wake_.notify_all();
}

void Broadcaster::stopStream() {
    std::lock_guard guard(lock_);
    streamWanted_ = false;
    ++streamRequest_;
    wake_.notify_all();
}

void Broadcaster::startRecording(const std::string& path) {
    std::lock_guard guard(lock_);
    recordingPath_ = path;
    recordingWanted_ = true;
    ++recordingRequest_;
    wake_.notify_all();
}

void Broadcaster::stopRecording() {
    std::lock_guard guard(lock_);
    recordingWanted_ = false;
    ++recordingRequest_;
    wake_.notify_all();
}

void Broadcaster::setNowPlaying(const std::string& path, const std::string& fallbackTitle) {
    std::shared_ptr<TitleBox> box = titles_;
    std::uint64_t ask = 0;
    {
        std::lock_guard guard(box->lock);
        ask = ++box->asked;
    }
    // Left to finish on its own: a file on a mount that stopped answering may never return,
    // and the box it answers into outlives this object.
    std::thread([box, ask, path, fallbackTitle] {
        const std::string title = audio::nowPlayingLine(audio::readSongTags(path), fallbackTitle);
        std::lock_guard guard(box->lock);
        if (ask > box->answered) {
            box->answered = ask;
            box->title = title;
        }
    }).detach();
}

BroadcastStatus Broadcaster::status() const {
    std::lock_guard guard(lock_);
    return status_;
}

void Broadcaster::run() {
    // Named, so that top, a debugger and the bench tell the stream's cost from the rest.
    pthread_setname_np(pthread_self(), "vantrel-onair");
    Work& w = *work_;
    const auto openEncoder = [&w] {
        EncoderSettings e;
        e.format = w.settings.format;
        e.bitrateKbps = w.settings.bitrateKbps;
        e.inputRate = w.rate;
        e.title = w.title;
        std::string why;
        w.encoder = MixEncoder::toSink(
            e, [&w](const std::uint8_t* data, std::size_t size) { return w.link.send(data, size); },
            why);
        if (!w.encoder) w.reason = why;
        return bool(w.encoder);
    };
    const auto waitToRetry = [&w](const std::string& why) {
        w.encoder.reset();
        w.link.close();
        w.reason = why;
        w.phase = Work::Phase::Waiting;
        w.since = Clock::now();
        w.waitSeconds = w.pauseSeconds;
        w.pauseSeconds = std::min(w.pauseSeconds * 2, kLongestPauseSeconds);
    };
    const auto stopRecorder = [&w] {
        if (!w.recorder) return;
        w.recorder->finish();
        w.recorder.reset();
    };

    for (;;) {
        bool quitting = false, streamWanted = false, recordingWanted = false;
        std::uint64_t streamRequest = 0, recordingRequest = 0;
        std::string recordingPath;
        {
            std::unique_lock guard(lock_);
            // Idle (no stream, no recording), the thread sleeps until it is asked for something.
            if (w.phase != Work::Phase::Off || w.recorder)
                wake_.wait_for(guard, kTick, [this] { return quit_; });
            else
                wake_.wait(guard, [this, &w] {
                    return quit_ || streamRequest_ != w.request ||
                           recordingRequest_ != w.recordingRequest;
                });
            quitting = quit_;
            streamWanted = streamWanted_;
            streamRequest = streamRequest_;
            recordingWanted = recordingWanted_;
            recordingRequest = recordingRequest_;
            recordingPath = recordingPath_;
            if (streamRequest != w.request) w.settings = streamSettings_;
        }

        // The mix since the last round, to the recording and the stream alike; before any
        // request, so a recording stopped now still holds everything played until now.
        for (;;) {
            const int frames = tap_.read(w.block.data(), int(w.block.size() / 2));
            if (frames <= 0) break;
            if (w.recorder && !w.recorder->write(w.block.data(), frames)) {
                const std::string why = w.recorder->error();
                stopRecorder();
                w.recordingMessage = "Recording stopped: " + why;
            }
            if (w.phase == Work::Phase::OnAir)
                w.backlog.push(w.block.data(), std::size_t(frames), w.dropped);
        }
        if (quitting) break;

        // Requests from the window.
        if (streamRequest != w.request) {
            w.request = streamRequest;
            w.encoder.reset();
            w.link.close();
            w.backlog.clear();
            w.reason.clear();
            w.pauseSeconds = 1;
            w.phase = Work::Phase::Off;
            if (streamWanted) {
                w.phase = Work::Phase::Waiting;
                w.waitSeconds = 0;
                w.since = Clock::now();
            }
        }
        if (recordingRequest != w.recordingRequest) {
            w.recordingRequest = recordingRequest;
            stopRecorder();
            if (recordingWanted) {
                w.recordingMessage.clear();
                MixFormat format{};
                std::string why;
                if (!formatFromPath(recordingPath, format)) {
                    why = "the file name must end in .wav, .flac, .ogg, .opus or .mp3";
                } else {
                    EncoderSettings e;
                    e.format = format;
                    e.bitrateKbps = 192;
                    e.inputRate = w.rate;
                    w.recorder = MixEncoder::toFile(e, recordingPath, why);
                }
                w.recordingPath = recordingPath;
                if (!w.recorder) w.recordingMessage = "Recording not started: " + why;
            }
        }
        const bool streaming = w.phase != Work::Phase::Off;
        if (streaming || w.recorder) {
            if (!tap_.isOpen()) tap_.open();
        } else if (tap_.isOpen()) {
            tap_.close();
        }

        // A new title.
        {
            std::lock_guard guard(titles_->lock);
            if (titles_->answered != w.titleSeen) {
                w.titleSeen = titles_->answered;
                if (titles_->title != w.title) {
                    w.title = titles_->title;
                    if (w.phase == Work::Phase::OnAir) {
                        if (w.settings.format == MixFormat::Mp3) {
                            w.link.setTitle(w.title);
                        } else {
                            // Ogg carries its title in the stream: the old one is closed and
                            // a new one chained on with the new comments.
                            w.encoder->finish();
                            if (!openEncoder()) waitToRetry(w.reason);
                        }
                    }
                }
            }
        }

        // The connection.
        switch (w.phase) {
            case Work::Phase::Off:
                break;
            case Work::Phase::Waiting:
                if (secondsSince(w.since) < w.waitSeconds) break;
                w.since = Clock::now();
                w.phase = Work::Phase::Connecting;
                if (w.link.begin(w.settings) == IcecastLink::Step::Failed)
                    waitToRetry(w.link.reason());
                break;
            case Work::Phase::Connecting:
                switch (w.link.connect()) {
                    case IcecastLink::Step::Connecting:
                        if (secondsSince(w.since) > kStallSeconds)
                            waitToRetry("the server does not answer");
                        break;
                    case IcecastLink::Step::Failed:
                        waitToRetry(w.link.reason());
                        break;
                    case IcecastLink::Step::Connected:
                        if (!openEncoder()) {
                            waitToRetry(w.reason);
                            break;
                        }
                        if (w.settings.format == MixFormat::Mp3 && !w.title.empty())
                            w.link.setTitle(w.title);
                        w.phase = Work::Phase::OnAir;
                        w.since = Clock::now();
                        w.pauseSeconds = 1;
                        w.stalled = false;
                        w.reason.clear();
                        w.backlog.clear();
                        break;
                }
                break;
            case Work::Phase::OnAir: {
                // About a second of sound in the socket's queue is plenty; past it the server
                // is not keeping up, and the mix waits in the backlog, oldest dropped first.
                const std::int64_t limit =
                    std::max<std::int64_t>(16384, std::int64_t(w.settings.bitrateKbps) * 125);
                bool ok = true;
                if (w.link.queued() < limit) {
                    w.stalled = false;
                    while (ok && w.backlog.size() > 0) {
                        const float* run = nullptr;
                        const std::size_t n = w.backlog.firstRun(run);
                        ok = w.encoder->write(run, int(n));
                        w.backlog.drop(n);
                    }
                } else {
                    if (!w.stalled) w.stallSince = Clock::now();
                    w.stalled = true;
                    ok = w.link.send(nullptr, 0);
                    if (ok && secondsSince(w.stallSince) > kStallSeconds) {
                        waitToRetry("the server stopped taking the stream");
                        break;
                    }
                }
                if (!ok)
                    waitToRetry(w.link.reason().empty() ? w.encoder->error() : w.link.reason());
                break;
            }
        }

        // What the window shows.
        std::lock_guard guard(lock_);
        BroadcastStatus& s = status_;
        s.stream = BroadcastStatus::Stream(int(w.phase));
        s.address = w.phase == Work::Phase::Off ? std::string() : addressText(w.settings.address);
        s.onAirSeconds = w.phase == Work::Phase::OnAir ? secondsSince(w.since) : 0;
        s.retryInSeconds = w.phase == Work::Phase::Waiting
                               ? std::max(0, int(w.waitSeconds - secondsSince(w.since) + 0.999))
                               : 0;
        s.reason = w.reason;
        s.title = w.title;
        s.droppedFrames = w.dropped + tap_.droppedFrames();
        s.recording = bool(w.recorder);
        s.recordingPath = w.recordingPath;
        s.recordedSeconds = w.recorder ? double(w.recorder->framesWritten()) / w.rate : 0;
        s.recordingMessage = w.recordingMessage;
    }
    stopRecorder();
    w.encoder.reset();
    w.link.close();
}

}  // namespace vantrel::broadcast
