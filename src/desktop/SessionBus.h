#pragma once
// The session's own bus, or none.
#include <QString>

class QDBusConnection;

namespace vantrel {

// True when the session bus is there and connected; else the reason in `error`. Only the
// session's own bus counts: on a bare X display the bus library would start a private one that no
// desktop listens on and that outlives the program.
bool SessionBusReady(QString* error);

}  // namespace vantrel
