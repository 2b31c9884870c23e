#pragma once
// The menu bar built from the menu table, and the keyboard rules around it: every shortcut works
// whichever control of the main window has the focus and reaches only its menu item, and the
// Delete key's release removes the selected playlist entry.
#include <QFont>
#include <QHash>
#include <QIcon>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <functional>

#include "app/MenuTable.h"

class QAction;
class QKeyEvent;
class QMenuBar;
class QWidget;

namespace vantrel {

// The key sequences of one table item; Enter also answers on the numeric pad.
QList<QKeySequence> MenuShortcuts(const MenuItem& item);

// "Ms Sans Serif" 9 pt, with families that exist here behind it.
QFont MenuFont();

// BuildMenu: adds the table's items to `bar` in order, each action named by its item key and
// calling `onClick` with its command; sets the font last. `pictureOf` gives the named button's
// picture (ButtonPicture when not given). Returns the actions by key.
QHash<QString, QAction*> BuildMenu(QMenuBar* bar, std::function<void(MenuCommand)> onClick,
                                   std::function<QIcon(const QString& button)> pictureOf = {});

// Installed on the application for one window.
class KeyboardRules : public QObject {
    Q_OBJECT
public:
    KeyboardRules(QWidget* window, std::function<void()> onDeleteReleased,
                  QObject* parent = nullptr);
    ~KeyboardRules() override;

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    bool inWindow(QObject* o) const;
    // Whether `key` is Space or Enter on a button that has the focus.
    static bool pressesButton(QObject* watched, const QKeyEvent* key);

    QWidget* window_;
    std::function<void()> onDeleteReleased_;
    QList<QKeyCombination> shortcuts_;
};

}  // namespace vantrel
