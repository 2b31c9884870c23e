#include "app/ui/Menus.h"

#include <QAbstractButton>
#include <QAction>
#include <QApplication>
#include <QKeyEvent>
#include <QMenu>
#include <QMenuBar>
#include <QWidget>

#include "widgets/Icons.h"

namespace vantrel {

namespace {

Qt::Key qtKey(int vk) {
    switch (vk) {
        case kVkBackspace:
            return Qt::Key_Backspace;
        case kVkEnter:
            return Qt::Key_Return;
        case kVkSpace:
            return Qt::Key_Space;
        case kVkEnd:
            return Qt::Key_End;
        case kVkLeft:
            return Qt::Key_Left;
        case kVkUp:
            return Qt::Key_Up;
        case kVkRight:
            return Qt::Key_Right;
        case kVkDown:
            return Qt::Key_Down;
        case kVkDelete:
            return Qt::Key_Delete;
        case kVkA:
            return Qt::Key_A;
        case kVkF:
            return Qt::Key_F;
        case kVkN:
            return Qt::Key_N;
        case kVkO:
            return Qt::Key_O;
        case kVkS:
            return Qt::Key_S;
        case kVkAdd:
            return Qt::Key_Plus;
        case kVkSubtract:
            return Qt::Key_Minus;
        case kVkF1:
            return Qt::Key_F1;
        case kVkF4:
            return Qt::Key_F4;
        default:
            return Qt::Key_unknown;
    }
}

Qt::KeyboardModifiers qtModifiers(int shift) {
    Qt::KeyboardModifiers m;
    if (shift & kShift) m |= Qt::ShiftModifier;
    if (shift & kCtrl) m |= Qt::ControlModifier;
    if (shift & kAlt) m |= Qt::AltModifier;
    return m;
}

}  // namespace

QList<QKeySequence> MenuShortcuts(const MenuItem& item) {
    if (item.keyCode == kVkNone) return {};
    const Qt::Key key = qtKey(item.keyCode);
    if (key == Qt::Key_unknown) return {};
    Qt::KeyboardModifiers mods = qtModifiers(item.shift);
    // The numeric-pad keys are told apart from the main + and − by the keypad modifier.
    if (item.keyCode == kVkAdd || item.keyCode == kVkSubtract) mods |= Qt::KeypadModifier;
    QList<QKeySequence> keys{QKeySequence(QKeyCombination(mods, key))};
    if (item.keyCode == kVkEnter)
        keys.append(QKeySequence(QKeyCombination(mods | Qt::KeypadModifier, Qt::Key_Enter)));
    return keys;
}

QFont MenuFont() {
    QFont font;
    font.setFamilies({QStringLiteral("Ms Sans Serif"), QStringLiteral("MS Sans Serif"),
                      QStringLiteral("Microsoft Sans Serif"), QStringLiteral("DejaVu Sans"),
                      QStringLiteral("Sans Serif")});
    font.setPointSize(9);
    return font;
}

QHash<QString, QAction*> BuildMenu(QMenuBar* bar, std::function<void(MenuCommand)> onClick,
                                   std::function<QIcon(const QString&)> pictureOf) {
    if (!pictureOf) pictureOf = ButtonPicture;
    QHash<QString, QAction*> actions;
    QHash<QString, QMenu*> menus;
    for (const MenuItem& item : MenuTable()) {
        const QString key = QLatin1String(item.key);
        if (item.isTopLevel()) {
            QMenu* menu = bar->addMenu(QString::fromUtf8(item.caption));
            menu->setObjectName(key);
            menu->menuAction()->setObjectName(key);
            menus.insert(key, menu);
            actions.insert(key, menu->menuAction());
            continue;
        }
        QMenu* menu = menus.value(QLatin1String(item.parent));
        if (!menu) continue;
        if (item.isSeparator()) {
            QAction* sep = menu->addSeparator();
            if (!key.isEmpty()) {
                sep->setObjectName(key);
                actions.insert(key, sep);
            }
            continue;
        }
        QAction* action = menu->addAction(QString::fromUtf8(item.caption));
        action->setObjectName(key);
        if (item.iconFrom) action->setIcon(pictureOf(QLatin1String(item.iconFrom)));
        action->setShortcuts(MenuShortcuts(item));
        action->setCheckable(item.style == MenuStyle::Checkable);
        // The window's shortcuts, whichever of its controls has the focus.
        action->setShortcutContext(Qt::WindowShortcut);
        action->setIconVisibleInMenu(true);
        const MenuCommand command = item.command;
        QObject::connect(action, &QAction::triggered, bar,
                         [onClick, command] { onClick(command); });
        actions.insert(key, action);
    }
    const QFont font = MenuFont();
    bar->setFont(font);
    for (QMenu* menu : std::as_const(menus)) menu->setFont(font);
    return actions;
}

KeyboardRules::KeyboardRules(QWidget* window, std::function<void()> onDeleteReleased,
                             QObject* parent)
    : QObject(parent), window_(window), onDeleteReleased_(std::move(onDeleteReleased)) {
    for (const MenuItem& item : MenuTable())
        for (const QKeySequence& seq : MenuShortcuts(item)) shortcuts_.append(seq[0]);
    qApp->installEventFilter(this);
}

KeyboardRules::~KeyboardRules() {
    qApp->removeEventFilter(this);
}

bool KeyboardRules::inWindow(QObject* o) const {
    if (!o || !o->isWidgetType()) return false;
    return static_cast<QWidget*>(o)->window() == window_;
}

bool KeyboardRules::pressesButton(QObject* watched, const QKeyEvent* key) {
    auto* button = qobject_cast<QAbstractButton*>(watched);
    if (!button || !button->hasFocus() || !button->isEnabled()) return false;
    if (key->modifiers() & ~Qt::KeypadModifier) return false;
    return key->key() == Qt::Key_Space || key->key() == Qt::Key_Return ||
           key->key() == Qt::Key_Enter;
}

bool KeyboardRules::eventFilter(QObject* watched, QEvent* event) {
    switch (event->type()) {
        case QEvent::ShortcutOverride: {
            // A focused slider, list or edit would otherwise claim Left, Space, Enter... for
            // itself; the menu's keys belong to the menu alone in this window. Only a button
            // reached with Tab keeps Space and Enter, to be pressed by them.
            if (!inWindow(watched)) break;
            auto* ke = static_cast<QKeyEvent*>(event);
            if (pressesButton(watched, ke)) {
                ke->accept();
                return true;
            }
            if (shortcuts_.contains(ke->keyCombination())) {
                ke->ignore();
                return true;
            }
            break;
        }
        case QEvent::KeyPress: {
            // A button presses itself on Space; Enter presses it as well.
            auto* ke = static_cast<QKeyEvent*>(event);
            if (!inWindow(watched) || !pressesButton(watched, ke) || ke->key() == Qt::Key_Space)
                break;
            if (!ke->isAutoRepeat()) static_cast<QAbstractButton*>(watched)->click();
            return true;
        }
        case QEvent::KeyRelease: {
            // The window sees the release before its controls (key preview). Taken here once,
            // at the first control it reaches, and not passed on: no control acts on it.
            auto* ke = static_cast<QKeyEvent*>(event);
            if (ke->key() != Qt::Key_Delete || ke->isAutoRepeat() || !inWindow(watched)) break;
            if (onDeleteReleased_) onDeleteReleased_();
            return true;
        }
        default:
            break;
    }
    return QObject::eventFilter(watched, event);
}

}  // namespace vantrel
