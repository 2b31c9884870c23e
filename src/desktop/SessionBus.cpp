#include "desktop/SessionBus.h"

#include <QDBusConnection>
#include <QDBusError>
#include <QFileInfo>

namespace vantrel {

bool SessionBusReady(QString* error) {
    const QString runtime = qEnvironmentVariable("XDG_RUNTIME_DIR");
    if (qEnvironmentVariableIsEmpty("DBUS_SESSION_BUS_ADDRESS") &&
        (runtime.isEmpty() || !QFileInfo::exists(runtime + QStringLiteral("/bus")))) {
        if (error) *error = QStringLiteral("no session bus");
        return false;
    }
    const QDBusConnection bus = QDBusConnection::sessionBus();
    if (!bus.isConnected()) {
        if (error) *error = bus.lastError().message();
        return false;
    }
    return true;
}

}  // namespace vantrel
