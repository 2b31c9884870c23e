#pragma once
// The menu bar as data: every item in the order BuildMenu adds it, and the one dispatch that turns
// an item key into the button handler it stands for. The view builds QActions from the table and
// hands the clicked item's key back here, so a menu click, its shortcut and the button all run
// the same handler — and the dispatch can be tested without a window.
#include <QHash>
#include <QString>
#include <functional>
#include <span>

namespace vantrel {

// What decides where a deck-routed item goes.
struct MenuRouting {
    bool deck1Playing = false;
    bool deck2Playing = false;
    bool deck2InFront = false;
};

// Modifier mask and key codes as the menu was designed with them (virtual key codes).
enum MenuShift : int { kNoShift = 0, kShift = 1, kCtrl = 2, kAlt = 4 };
enum MenuKeyCode : int {
    kVkNone = 0,
    kVkBackspace = 8,
    kVkEnter = 13,
    kVkSpace = 32,
    kVkEnd = 35,
    kVkLeft = 37,
    kVkUp = 38,
    kVkRight = 39,
    kVkDown = 40,
    kVkDelete = 46,
    kVkA = 65,
    kVkF = 70,
    kVkN = 78,
    kVkO = 79,
    kVkS = 83,
    kVkAdd = 107,       // numeric-pad +
    kVkSubtract = 109,  // numeric-pad −
    kVkF1 = 112,
    kVkF4 = 115,
};

// Checkable: an on/off item; the window keeps its tick in step with the setting it turns.
enum class MenuStyle : int { Plain = 0, Framed = 1, Separator = 3, Checkable = 4 };

// How an item's action is chosen.
enum class MenuRoute {
    None,        // top-level menus and separators
    Single,      // one button handler: `deck1`
    DeckRouted,  // `deck1` while deck 1 plays, else `deck2` while deck 2 plays, else nothing
    FrontDeck,   // `deck2` when deck 2 is in front, else `deck1`
};

struct MenuItem {
    const char* parent;  // key of the top-level menu; nullptr for a top-level menu
    const char* key;     // "" for an anonymous separator
    MenuStyle style;
    const char* caption;   // "&" marks the access letter
    const char* iconFrom;  // the button whose picture the item shows; nullptr for none
    int shift;             // MenuShift mask
    int keyCode;           // MenuKeyCode, kVkNone for no shortcut
    MenuRoute route;
    const char* deck1;  // handler names, see MenuHandlers
    const char* deck2;

    bool isSeparator() const { return style == MenuStyle::Separator; }
    bool isTopLevel() const { return parent == nullptr; }
};

std::span<const MenuItem> MenuTable();

// Button handlers by name ("cmdPlay", "cmdPlay2", "cmdNewPlaylist", ...). The desk registers the
// core ones; the window adds the ones that need it ("tlbCmdHelp", "cmdOnlineSupport", "cmdAbout",
// "mnuExit"). A name nobody registered yet does nothing.
using MenuHandlers = QHash<QString, std::function<void()>>;

// The menu click handler: finds the first item with exactly this key (case-sensitive, table
// order) and runs its action. Unknown keys, top-level menus and separators do nothing; a handler
// that throws leaves the menu usable.
void MenuDispatch(const QString& key, const MenuRouting& routing, const MenuHandlers& handlers);

// The handler MenuDispatch would run for `key` with `routing`, "" for none.
QString MenuTarget(const QString& key, const MenuRouting& routing);

}  // namespace vantrel
