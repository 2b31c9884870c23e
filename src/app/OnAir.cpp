#include "app/OnAir.h"

#include <QFileInfo>
#include <QtGlobal>

#include "audio/Engine.h"
#include "base/FilePath.h"
#include "deck/AutoMixer.h"
#include "deck/Decks.h"

namespace vantrel {

namespace {

constexpr int kWatchInterval = 500;

}  // namespace

QString onAirTime(double seconds) {
    const auto s = static_cast<long long>(seconds);
    return QStringLiteral("%1:%2:%3")
        .arg(s / 3600, 2, 10, QLatin1Char('0'))
        .arg(s / 60 % 60, 2, 10, QLatin1Char('0'))
        .arg(s % 60, 2, 10, QLatin1Char('0'));
}

OnAir::OnAir(audio::Engine& engine, Decks& decks, Scheduler& scheduler, QObject* parent)
    : QObject(parent), engine_(engine), decks_(decks) {
    // The incoming song is the one heard once its fade completes.
    connect(&decks_.mixer(), &AutoMixer::fadeCompleted, this, [this] {
        if (broadcaster_) announceLiveSong();
    });
    watch_ = scheduler.createTimer(kWatchInterval, [this] { watch(); });
}

OnAir::~OnAir() = default;

broadcast::Broadcaster& OnAir::broadcaster() {
    if (!broadcaster_) {
        broadcaster_ = std::make_unique<broadcast::Broadcaster>(engine_.mixTap());
        watch_->SetEnabled(true);
        announceLiveSong();
    }
    return *broadcaster_;
}

void OnAir::announceLiveSong() {
    Deck* live = decks_.liveDeck();
    if (!live || live->song().path.isEmpty()) return;
    announcedPath_ = live->song().path;
    // A song started by Play was never cued by the mixer and has no playlist title of its own.
    // The path goes as its own bytes, so a file whose name is not UTF-8 still has its tags read.
    const QString title = live->song().mixTitle.isEmpty()
                              ? PathForDisplay(QFileInfo(live->song().path).completeBaseName())
                              : live->song().mixTitle;
    broadcaster_->setNowPlaying(PathToStdString(live->song().path), title.toStdString());
}

void OnAir::watch() {
    // A deck started by Play or a double click has no fade to announce it.
    Deck* live = decks_.liveDeck();
    if (live && live->song().path != announcedPath_ && !live->song().path.isEmpty())
        announceLiveSong();
    const broadcast::BroadcastStatus s = status();
    // Each change of the stream's state goes to stderr too, for a radio that runs headless
    // under a service manager; the password is in none of it.
    using Stream = broadcast::BroadcastStatus::Stream;
    QString line;
    const QString address = QString::fromStdString(s.address);
    const QString reason = QString::fromStdString(s.reason);
    switch (s.stream) {
        case Stream::Off:
            line = QStringLiteral("off");
            break;
        case Stream::Connecting:
            line = QStringLiteral("connecting to %1").arg(address);
            break;
        case Stream::OnAir:
            line = QStringLiteral("on air at %1").arg(address);
            break;
        case Stream::Waiting:
            line = QStringLiteral("not on air: %1").arg(reason);
            break;
    }
    if (line != lastLogged_ && (streaming_ || !lastLogged_.isEmpty())) {
        lastLogged_ = line;
        qInfo("vantrel: stream %s", qPrintable(line));
    }
    const QString message = QString::fromStdString(s.recordingMessage);
    if (recording_ && !s.recording && !message.isEmpty() && message != lastRecordingMessage_) {
        recording_ = false;
        lastRecordingMessage_ = message;
        emit recordingFailed(message);
    }
}

void OnAir::startStream(const broadcast::StreamSettings& settings) {
    settings_ = settings;
    streaming_ = true;
    broadcaster().startStream(settings);
}

void OnAir::stopStream() {
    streaming_ = false;
    if (broadcaster_) broadcaster_->stopStream();
}

void OnAir::startRecording(const QString& path) {
    recording_ = true;
    lastRecordingMessage_.clear();
    broadcaster().startRecording(PathToStdString(path));
}

void OnAir::stopRecording() {
    recording_ = false;
    if (broadcaster_) broadcaster_->stopRecording();
}

broadcast::BroadcastStatus OnAir::status() const {
    return broadcaster_ ? broadcaster_->status() : broadcast::BroadcastStatus{};
}

QString OnAir::statusText() const {
    using Stream = broadcast::BroadcastStatus::Stream;
    const broadcast::BroadcastStatus s = status();
    const QString address = QString::fromStdString(s.address);
    const QString reason = QString::fromStdString(s.reason);
    QString text;
    switch (s.stream) {
        case Stream::Off:
            text = QStringLiteral("Stream off");
            break;
        case Stream::Connecting:
            text = QStringLiteral("Connecting to %1").arg(address);
            break;
        case Stream::OnAir:
            text = QStringLiteral("On air %1").arg(onAirTime(s.onAirSeconds));
            if (!s.title.empty())
                text += QStringLiteral(" \u2013 %1").arg(QString::fromStdString(s.title));
            break;
        case Stream::Waiting:
            text = QStringLiteral("Reconnecting in %1 s").arg(s.retryInSeconds);
            if (!reason.isEmpty()) text += QStringLiteral(": %1").arg(reason);
            break;
    }
    if (s.recording)
        text += QStringLiteral("  \u2022  Recording %1").arg(onAirTime(s.recordedSeconds));
    else if (!s.recordingMessage.empty())
        text += QStringLiteral("  \u2022  %1").arg(QString::fromStdString(s.recordingMessage));
    return text;
}

}  // namespace vantrel
