#include "desktop/ProgramInstance.h"

#include <QCryptographicHash>
#include <QDBusAbstractAdaptor>
#include <QDBusConnection>
#include <QDBusConnectionInterface>
#include <QDBusMessage>
#include <QDBusReply>
#include <QUrl>
#include <QVariantMap>

#include "desktop/SessionBus.h"

namespace vantrel {

namespace {

class ApplicationAdaptor : public QDBusAbstractAdaptor {
    Q_OBJECT
    Q_CLASSINFO("D-Bus Interface", "org.freedesktop.Application")
public:
    explicit ApplicationAdaptor(ProgramInstance* instance)
        : QDBusAbstractAdaptor(instance), instance_(instance) {}

public slots:
    void Activate(const QVariantMap&) { instance_->activate(); }
    void Open(const QStringList& uris, const QVariantMap&) { instance_->open(uris); }
    void ActivateAction(const QString&, const QVariantList&, const QVariantMap&) {}

private:
    ProgramInstance* instance_;
};

}  // namespace

ProgramInstance::ProgramInstance(QObject* parent) : QObject(parent) {
    new ApplicationAdaptor(this);
}

ProgramInstance::~ProgramInstance() {
    if (name_.isEmpty()) return;
    QDBusConnection bus = QDBusConnection::sessionBus();
    bus.unregisterService(name_);
    bus.unregisterObject(kObjectPath);
}

QString ProgramInstance::busName(const QString& playlistPath) {
    // A bus name allows only letters, digits and "_" in its parts; the path's hash stands in for
    // it.
    const QByteArray hash =
        QCryptographicHash::hash(playlistPath.toUtf8(), QCryptographicHash::Sha256).toHex();
    return QStringLiteral(VANTREL_APP_ID ".Playlist_") + QString::fromLatin1(hash.left(24));
}

ProgramInstance::Role ProgramInstance::claim(const QString& playlistPath, const QStringList& items,
                                             QString* error) {
    if (!SessionBusReady(error)) return Role::Alone;
    QDBusConnection bus = QDBusConnection::sessionBus();
    const QString name = busName(playlistPath);
    if (!bus.registerObject(kObjectPath, this, QDBusConnection::ExportAdaptors)) {
        if (error) *error = bus.lastError().message();
        return Role::Alone;
    }
    const QDBusReply<QDBusConnectionInterface::RegisterServiceReply> taken =
        bus.interface()->registerService(name, QDBusConnectionInterface::DontQueueService,
                                         QDBusConnectionInterface::DontAllowReplacement);
    if (taken.isValid() && taken.value() == QDBusConnectionInterface::ServiceRegistered) {
        name_ = name;
        return Role::First;
    }
    bus.unregisterObject(kObjectPath);
    if (!taken.isValid()) {
        if (error) *error = taken.error().message();
        return Role::Alone;
    }

    // Someone keeps this playlist already: it takes the items, or just comes to the front.
    QDBusMessage call = QDBusMessage::createMethodCall(name, kObjectPath, kInterface,
                                                       items.isEmpty() ? "Activate" : "Open");
    QStringList uris;
    for (const QString& item : items)
        uris << QString::fromLatin1(QUrl::fromLocalFile(item).toEncoded());
    if (items.isEmpty())
        call << QVariantMap{};
    else
        call << uris << QVariantMap{};
    const QDBusMessage reply = bus.call(call, QDBus::Block, kHandOverTimeoutMs);
    if (reply.type() == QDBusMessage::ReplyMessage) return Role::HandedOn;
    if (error) *error = reply.errorMessage();
    return Role::NoAnswer;
}

void ProgramInstance::serve(std::function<void(const QStringList&)> addItems,
                            std::function<void()> raise) {
    addItems_ = std::move(addItems);
    raise_ = std::move(raise);
    deliver();
}

void ProgramInstance::open(const QStringList& uris) {
    QStringList paths;
    for (const QString& uri : uris) {
        // Other senders may give plain paths; anything that is not a local file is left out.
        const QUrl url(uri);
        if (url.isLocalFile())
            paths << url.toLocalFile();
        else if (uri.startsWith(QLatin1Char('/')))
            paths << uri;
    }
    if (!paths.isEmpty()) waitingItems_ << paths;
    raiseWaiting_ = true;
    deliver();
}

void ProgramInstance::activate() {
    raiseWaiting_ = true;
    deliver();
}

void ProgramInstance::deliver() {
    if (!addItems_ || !raise_) return;
    while (!waitingItems_.isEmpty()) addItems_(waitingItems_.takeFirst());
    if (raiseWaiting_) raise_();
    raiseWaiting_ = false;
}

}  // namespace vantrel

#include "ProgramInstance.moc"
