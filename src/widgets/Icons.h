#pragma once
// The program's pictures, drawn here rather than shipped: the window icon and the pictures of the
// buttons that menu items borrow. Each picture is named by the button that shows it.
#include <QIcon>
#include <QString>

namespace vantrel {

// The picture of the named button ("tlbCmdPlay", "cmdRed", ...); a null icon for unknown names.
QIcon ButtonPicture(const QString& buttonName);

// The program icon: two decks with a cross-fade between them.
QIcon ProgramIcon();

}  // namespace vantrel
