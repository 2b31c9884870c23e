#include "desktop/MediaPlayerService.h"

#include <QCoreApplication>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QTimer>
#include <QUrl>
#include <cmath>

#include "app/Desk.h"
#include "audio/Engine.h"
#include "audio/Player.h"
#include "base/FilePath.h"
#include "desktop/SessionBus.h"

namespace vantrel {

namespace {

constexpr const char* kRootInterface = "org.mpris.MediaPlayer2";
constexpr const char* kPlayerInterface = "org.mpris.MediaPlayer2.Player";

class RootAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2")
    Q_PROPERTY(bool CanQuit READ yes)
    Q_PROPERTY(bool CanRaise READ yes)
    Q_PROPERTY(bool HasTrackList READ no)
    Q_PROPERTY(QString Identity READ identity)
    Q_PROPERTY(QString DesktopEntry READ desktopEntry)
    Q_PROPERTY(QStringList SupportedUriSchemes READ none)
    Q_PROPERTY(QStringList SupportedMimeTypes READ none)
public:
    explicit RootAdaptor(MediaPlayerService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}
    bool yes() const { return true; }
    bool no() const { return false; }
    QString identity() const { return QStringLiteral("Vantrel"); }
    QString desktopEntry() const { return QStringLiteral(VANTREL_APP_ID); }
    QStringList none() const { return {}; }

public slots:
    void Raise() { service_->raise(); }
    void Quit() { service_->quit(); }

private:
    MediaPlayerService* service_;
};

class PlayerAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.mpris.MediaPlayer2.Player")
    Q_PROPERTY(QString PlaybackStatus READ playbackStatus)
    Q_PROPERTY(QVariantMap Metadata READ metadata)
    Q_PROPERTY(qlonglong Position READ position)
    Q_PROPERTY(double Volume READ volume WRITE setVolume)
    Q_PROPERTY(double Rate READ one)
    Q_PROPERTY(double MinimumRate READ one)
    Q_PROPERTY(double MaximumRate READ one)
    Q_PROPERTY(bool CanGoNext READ yes)
    Q_PROPERTY(bool CanGoPrevious READ no)
    Q_PROPERTY(bool CanPlay READ yes)
    Q_PROPERTY(bool CanPause READ yes)
    Q_PROPERTY(bool CanSeek READ no)
    Q_PROPERTY(bool CanControl READ yes)
public:
    explicit PlayerAdaptor(MediaPlayerService* service)
        : QDBusAbstractAdaptor(service), service_(service) {}
    QString playbackStatus() const { return service_->playbackStatus(); }
    QVariantMap metadata() const { return service_->metadata(); }
    qlonglong position() const { return service_->position(); }
    double volume() const { return service_->volume(); }
    void setVolume(double v) { service_->setVolume(v); }
    double one() const { return 1.0; }
    bool yes() const { return true; }
    bool no() const { return false; }

public slots:
    void Play() { service_->play(); }
    void Pause() { service_->pause(); }
    void PlayPause() { service_->playPause(); }
    void Stop() { service_->stop(); }
    void Next() { service_->next(); }
    void Previous() {}  // the playlist only goes forward
    // A mix has no seeking from outside (CanSeek is false) and plays only its playlist.
    void Seek(qlonglong) {}
    void SetPosition(const QDBusObjectPath&, qlonglong) {}
    void OpenUri(const QString&) {}

private:
    MediaPlayerService* service_;
};

void announce(const char* interface, const QVariantMap& changed) {
    QDBusMessage signal = QDBusMessage::createSignal(
        MediaPlayerService::kObjectPath, QStringLiteral("org.freedesktop.DBus.Properties"),
        QStringLiteral("PropertiesChanged"));
    signal << QLatin1String(interface) << changed << QStringList{};
    QDBusConnection::sessionBus().send(signal);
}

}  // namespace

MediaPlayerService::MediaPlayerService(Desk& desk, std::function<void()> raise, QObject* parent)
    : QObject(parent), desk_(desk), raise_(std::move(raise)) {
    new RootAdaptor(this);
    new PlayerAdaptor(this);
}

MediaPlayerService::~MediaPlayerService() {
    if (!watch_) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterObject(kObjectPath);
}

bool MediaPlayerService::publish(QString* error) {
    if (!SessionBusReady(error)) return false;
    QDBusConnection bus = QDBusConnection::sessionBus();
    // A second running copy takes an instance name beside the first, as the interface allows.
    const QString instance = kServiceName + QStringLiteral(".instance") +
                             QString::number(QCoreApplication::applicationPid());
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors) ||
        (!bus.registerService(kServiceName) && !bus.registerService(instance))) {
        if (error) *error = bus.lastError().message();
        bus.unregisterObject(kObjectPath);
        return false;
    }
    // The decks announce no changes of their own; a light look four times a second finds a new
    // song or state without following the 30 ms position tick.
    last_ = shown();
    watch_ = new QTimer(this);
    watch_->setInterval(250);
    connect(watch_, &QTimer::timeout, this, &MediaPlayerService::follow);
    watch_->start();
    return true;
}

Deck* MediaPlayerService::sounding() const {
    // The live deck; while none is live, the deck that a fade brings in.
    Decks& decks = desk_.decks();
    if (Deck* live = decks.liveDeck()) return live;
    for (int i = 0; i < 2; ++i)
        if (decks.mixer().fading(decks.deck(i))) return &decks.deck(i);
    return nullptr;
}

MediaPlayerService::Shown MediaPlayerService::shown() const {
    Shown s;
    s.volume = desk_.masterVolume().volumeSlider.Value();
    const Deck* deck = sounding();
    if (!deck) {
        s.status = QStringLiteral("Stopped");
        return s;
    }
    s.deck = deck->index();
    s.path = deck->song().path;
    // The tags came with the song's open, off this thread.
    const audio::SongTags tags = deck->player().Tags();
    s.title =
        tags.title.empty() ? deck->display.tickerMessage() : QString::fromStdString(tags.title);
    s.artist = QString::fromStdString(tags.artist);
    s.album = QString::fromStdString(tags.album);
    s.length = deck->song().length;
    s.status = deck->paused() ? QStringLiteral("Paused") : QStringLiteral("Playing");
    return s;
}

void MediaPlayerService::follow() {
    const Shown now = shown();
    if (now == last_) return;
    const Shown before = std::exchange(last_, now);
    const bool newSong = now.deck != before.deck || now.path != before.path;
    if (newSong) ++song_;
    QVariantMap changed;
    if (newSong || now.title != before.title || now.artist != before.artist ||
        now.album != before.album || now.length != before.length)
        changed.insert(QStringLiteral("Metadata"), shownMetadata());
    if (now.status != before.status) changed.insert(QStringLiteral("PlaybackStatus"), now.status);
    if (now.volume != before.volume) changed.insert(QStringLiteral("Volume"), volume());
    if (!changed.isEmpty()) announce(kPlayerInterface, changed);
}

QString MediaPlayerService::playbackStatus() {
    follow();
    return last_.status;
}

QVariantMap MediaPlayerService::metadata() {
    follow();
    return shownMetadata();
}

QVariantMap MediaPlayerService::shownMetadata() const {
    const Shown& s = last_;
    QVariantMap m;
    if (s.deck < 0) {
        m.insert(QStringLiteral("mpris:trackid"),
                 QVariant::fromValue(QDBusObjectPath("/org/mpris/MediaPlayer2/TrackList/NoTrack")));
        return m;
    }
    m.insert(QStringLiteral("mpris:trackid"),
             QVariant::fromValue(QDBusObjectPath(
                 QStringLiteral("/org/vantrel/deck%1/song%2").arg(s.deck + 1).arg(song_))));
    m.insert(QStringLiteral("mpris:length"), qlonglong(s.length) * 1000);
    m.insert(QStringLiteral("xesam:title"), s.title);
    if (!s.artist.isEmpty()) m.insert(QStringLiteral("xesam:artist"), QStringList{s.artist});
    if (!s.album.isEmpty()) m.insert(QStringLiteral("xesam:album"), s.album);
    // The file's own bytes, percent-encoded: its name need not be UTF-8.
    m.insert(QStringLiteral("xesam:url"),
             QString::fromLatin1("file://" + PathToBytes(s.path).toPercentEncoding("/")));
    return m;
}

qlonglong MediaPlayerService::position() const {
    const Deck* deck = sounding();
    return deck ? qlonglong(deck->player().Position()) * 1000 : 0;
}

double MediaPlayerService::volume() const {
    const Slider& slider = desk_.masterVolume().volumeSlider;
    return double(slider.Value()) / slider.Max();
}

void MediaPlayerService::setVolume(double volume) {
    if (std::isnan(volume)) return;  // not a level: leave the music as loud as it is
    Slider& slider = desk_.masterVolume().volumeSlider;
    slider.SetValue(int(std::lround(std::clamp(volume, 0.0, 1.0) * slider.Max())));
    follow();
}

void MediaPlayerService::run(MenuCommand command) {
    desk_.runMenuCommand(command);
    follow();
}

void MediaPlayerService::play() {
    // A paused deck resumes through Pause, which holds the two decks' shared pause latch.
    const Deck* live = desk_.decks().liveDeck();
    if (!live)
        run(MenuCommand::Play);
    else if (live->paused())
        run(MenuCommand::Pause);
    else
        desk_.engine().retryOutput();  // playing but perhaps not heard: bring the sound back
}

void MediaPlayerService::pause() {
    const Deck* live = desk_.decks().liveDeck();
    if (live && !live->paused()) run(MenuCommand::Pause);
}

void MediaPlayerService::playPause() {
    const Deck* live = desk_.decks().liveDeck();
    if (live && !live->paused())
        run(MenuCommand::Pause);
    else
        play();
}

void MediaPlayerService::stop() {
    run(MenuCommand::Stop);
}

void MediaPlayerService::next() {
    run(MenuCommand::MixNow);
}

void MediaPlayerService::raise() {
    if (raise_) raise_();
}

void MediaPlayerService::quit() {
    // After the reply has gone out: the exit ends the event loop.
    QTimer::singleShot(0, this, [this] { desk_.runMenuCommand(MenuCommand::Exit); });
}

}  // namespace vantrel

#include "MediaPlayerService.moc"
