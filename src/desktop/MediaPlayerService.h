#pragma once
// The desktop's media player interface on the session bus (MPRIS 2): media keys, panel applets
// and playerctl drive the decks through the menu's own commands and read what the sounding deck
// plays. Without a session bus the program simply runs without it.
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>

#include "app/MenuTable.h"

class QTimer;

namespace vantrel {

class Deck;
class Desk;

class MediaPlayerService : public QObject {
    Q_OBJECT
public:
    static inline const QString kServiceName = QStringLiteral("org.mpris.MediaPlayer2.vantrel");
    static inline const QString kObjectPath = QStringLiteral("/org/mpris/MediaPlayer2");

    // `raise` brings the main window to the front.
    MediaPlayerService(Desk& desk, std::function<void()> raise, QObject* parent = nullptr);
    ~MediaPlayerService() override;

    // Takes the name on the session bus; false with the reason in `error` when that fails.
    bool publish(QString* error);

    // Both bring the shown state up to date first, so a new song's track id is never stale.
    QString playbackStatus();
    QVariantMap metadata();
    qlonglong position() const;  // µs
    double volume() const;       // the master volume, 0..1
    void setVolume(double volume);

    void play();
    void pause();
    void playPause();
    void stop();
    void next();
    void raise();
    void quit();

private:
    // What the interface shows; a change of any part is announced.
    struct Shown {
        int deck = -1;
        QString path;
        QString title;  // the song's title tag, else the deck's display title
        QString artist;
        QString album;
        int length = 0;
        QString status;
        int volume = 0;
        bool operator==(const Shown&) const = default;
    };
    Deck* sounding() const;
    Shown shown() const;
    // Announces what changed since last shown.
    void follow();
    QVariantMap shownMetadata() const;
    void run(MenuCommand command);

    Desk& desk_;
    std::function<void()> raise_;
    QTimer* watch_ = nullptr;
    Shown last_;
    int song_ = 0;  // counts the songs shown, for their track ids
};

}  // namespace vantrel
