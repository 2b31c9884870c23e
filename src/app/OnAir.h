#pragma once
// The live mix on air and on disk, as the program offers it: the stream and the recording are
// started and stopped here, the song that the listeners hear is announced when a fade completes
// (or when a deck starts without one), and the window reads one line of status from here.
#include <QObject>
#include <QString>
#include <memory>

#include "base/Scheduler.h"
#include "broadcast/Broadcaster.h"

namespace vantrel {

namespace audio {
class Engine;
}
class Decks;

class OnAir : public QObject {
    Q_OBJECT
public:
    OnAir(audio::Engine& engine, Decks& decks, Scheduler& scheduler, QObject* parent = nullptr);
    ~OnAir() override;

    // What the Broadcast dialog shows: the flags' settings, then the last ones started. Kept for
    // the run only.
    const broadcast::StreamSettings& settings() const { return settings_; }
    void setSettings(const broadcast::StreamSettings& settings) { settings_ = settings; }

    void startStream(const broadcast::StreamSettings& settings);
    void stopStream();
    bool streaming() const { return streaming_; }
    void startRecording(const QString& path);
    void stopRecording();
    bool recording() const { return recording_; }
    // Whether the stream or the recording was ever started in this run.
    bool used() const { return broadcaster_ != nullptr; }

    broadcast::BroadcastStatus status() const;
    // One line for the window: the stream's state and the recording's.
    QString statusText() const;

signals:
    // The recording stopped by itself (a full disk, an unwritable folder): why.
    void recordingFailed(const QString& message);

private:
    broadcast::Broadcaster& broadcaster();
    void announceLiveSong();
    void watch();

    audio::Engine& engine_;
    Decks& decks_;
    broadcast::StreamSettings settings_;
    std::unique_ptr<broadcast::Broadcaster> broadcaster_;  // made on first use
    std::unique_ptr<Timer> watch_;
    QString announcedPath_;
    bool streaming_ = false;
    bool recording_ = false;
    QString lastRecordingMessage_;
    QString lastLogged_;
};

// "00:12:34" for a stream or a recording that has run that long.
QString onAirTime(double seconds);

}  // namespace vantrel
