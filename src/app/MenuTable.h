#pragma once
// The menu bar as data: every item in the order BuildMenu adds it, each naming the command it
// runs, and the one dispatch that turns a command into its handler. The view builds QActions
// from the table and hands the clicked item's command back here, so a menu click, its shortcut
// and the button all run the same handler — and the dispatch can be tested without a window.
//
// To add an item: a MenuCommand, a row in the table (MenuTable.cpp) and a handler registered by
// the desk (or the window, for commands that need it). The menus test checks that every row
// and every key reaches a handler.
#include <QString>
#include <array>
#include <cstddef>
#include <functional>
#include <optional>
#include <span>

namespace vantrel {

enum class MenuCommand {
    None,  // top-level menus and separators
    // Playlist
    NewPlaylist,
    OpenPlaylist,
    SavePlaylist,
    AddFiles,
    AddFolder,
    AddCdTracks,
    MixNow,
    Rewind,
    FastForward,
    Play,
    Pause,
    Stop,
    Repeat,
    Shuffle,
    ShuffleEachRound,
    Jingles,
    Schedule,
    Exit,
    // Samplelist
    NewSampleList,
    OpenSampleList,
    SaveSampleList,
    SampleVolumeUp,
    SampleVolumeDown,
    // Effects
    TempoDown,
    TempoUp,
    TempoReset,
    SemitoneDown,
    SemitoneUp,
    SemitoneReset,
    GradualDown,
    GradualUp,
    GradualReset,
    RateDown,
    RateUp,
    RateReset,
    TrimSilence,
    LevelLoudness,
    FadeAtOutro,
    MatchBeats,
    // Broadcast
    Broadcast,
    Record,
    // Help
    Help,
    OnlineSupport,
    About,
    Count  // not a command: the number of them
};
inline constexpr std::size_t kMenuCommandCount = std::size_t(MenuCommand::Count);

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

// Which deck a command acts on.
enum class MenuRoute {
    None,        // top-level menus and separators
    Single,      // not a deck's command (handed deck 0)
    DeckRouted,  // deck 1 while it plays, else deck 2 while it plays, else nothing
    FrontDeck,   // the deck in front
};

struct MenuItem {
    const char* parent;  // key of the top-level menu; nullptr for a top-level menu
    const char* key;     // the action's object name; "" for an anonymous separator
    MenuStyle style;
    const char* caption;   // "&" marks the access letter
    const char* iconFrom;  // the button whose picture the item shows; nullptr for none
    int shift;             // MenuShift mask
    int keyCode;           // MenuKeyCode, kVkNone for no shortcut
    MenuCommand command;
    MenuRoute route;

    bool isSeparator() const { return style == MenuStyle::Separator; }
    bool isTopLevel() const { return parent == nullptr; }
};

std::span<const MenuItem> MenuTable();

// The table's item that runs `command`; nullptr for None and for a command with no item.
const MenuItem* MenuItemFor(MenuCommand command);

// The deck `item` acts on with `routing`; nothing when it acts on none.
std::optional<int> MenuTargetDeck(const MenuItem& item, const MenuRouting& routing);

// One handler per command, each told the deck it acts on (0 or 1; 0 for commands of no deck).
// The desk registers the core ones; the window adds the ones that need it (Help, OnlineSupport,
// About, Exit). A command nobody registered does nothing.
class MenuHandlers {
public:
    using Handler = std::function<void(int deck)>;
    void set(MenuCommand command, Handler handler);
    void set(MenuCommand command, std::function<void()> handler);
    bool has(MenuCommand command) const;
    // Runs `item`'s handler for the deck routing gives. Top-level menus, separators and an item
    // routed to no deck do nothing; a handler that throws leaves the menu usable.
    void dispatch(const MenuItem& item, const MenuRouting& routing) const;

private:
    std::array<Handler, kMenuCommandCount> handlers_;
};

}  // namespace vantrel
