#pragma once
// One running Vantrel per playlist. The first start of a playlist takes a name on the session bus
// made from the playlist's path; a later start of the same playlist hands its command-line items
// to that program, asks it to the front and ends, so that no two windows ever write one playlist.
// Without a session bus every start runs on its own, as before.
#include <QList>
#include <QObject>
#include <QString>
#include <QStringList>
#include <functional>

namespace vantrel {

class ProgramInstance : public QObject {
    Q_OBJECT
public:
    enum class Role {
        Alone,     // no session bus: this start runs on its own
        First,     // this start holds the playlist's name and serves later starts
        HandedOn,  // another program holds the playlist and took this start's items: end
        NoAnswer,  // another program holds the playlist and did not answer
    };
    static inline const QString kObjectPath = QStringLiteral("/org/vantrel/Vantrel");
    // The desktop's interface for a program that is asked to open files.
    static inline const QString kInterface = QStringLiteral("org.freedesktop.Application");
    // How long a later start waits for the first one, which may be busy starting up.
    static constexpr int kHandOverTimeoutMs = 30000;

    explicit ProgramInstance(QObject* parent = nullptr);
    ~ProgramInstance() override;

    // The bus name of the program that keeps `playlistPath`.
    static QString busName(const QString& playlistPath);

    // Takes the playlist's name, or hands `items` (absolute paths) to the program that holds it.
    // `error` says why for Alone and NoAnswer.
    Role claim(const QString& playlistPath, const QStringList& items, QString* error);

    // Where later starts' items and requests to come to the front go; what came before waits
    // for this.
    void serve(std::function<void(const QStringList&)> addItems, std::function<void()> raise);

    // Requests of later starts, from the bus.
    void open(const QStringList& uris);
    void activate();

private:
    void deliver();

    QString name_;
    std::function<void(const QStringList&)> addItems_;
    std::function<void()> raise_;
    QList<QStringList> waitingItems_;
    bool raiseWaiting_ = false;
};

}  // namespace vantrel
