#include "app/MenuTable.h"

#include <array>

namespace vantrel {

namespace {

using S = MenuStyle;
using R = MenuRoute;
using C = MenuCommand;

constexpr const char* kPlaylist = "mnuPlaylist";
constexpr const char* kSamplelist = "mnuSampleList";
constexpr const char* kEffects = "mnuEffects";
constexpr const char* kBroadcast = "mnuBroadcast";
constexpr const char* kHelp = "keyHelp";

// clang-format off
constexpr std::array kItems{
    MenuItem{nullptr,   "mnuPlaylist",          S::Plain,     "&Playlist",              nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kPlaylist, "mnuNewPlaylist",       S::Framed,    "&New playlist",          "cmdNewPlaylist",   kCtrl,    kVkN,         C::NewPlaylist,       R::Single},
    MenuItem{kPlaylist, "mnuOpenPlaylist",      S::Framed,    "&Open playlist",         "cmdOpenPlaylist",  kCtrl,    kVkO,         C::OpenPlaylist,      R::Single},
    MenuItem{kPlaylist, "mnuSavePlaylist",      S::Framed,    "&Save playlist",         "cmdSavePlaylist",  kCtrl,    kVkS,         C::SavePlaylist,      R::Single},
    MenuItem{kPlaylist, "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kPlaylist, "mnuAddFilePlaylist",   S::Framed,    "&Add file to playlist",  "cmdAddFileList",   kCtrl,    kVkA,         C::AddFiles,          R::Single},
    MenuItem{kPlaylist, "mnuAddFolderPlaylist", S::Framed,    "&Add folder to playlist","cmdAddFolderList", kCtrl,    kVkF,         C::AddFolder,         R::Single},
    MenuItem{kPlaylist, "mnuAddCdTracks",       S::Framed,    "Add audio CD tracks",    "cmdAddCdTracks",   kNoShift, kVkNone,      C::AddCdTracks,       R::Single},
    MenuItem{kPlaylist, "mnuSep",               S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kPlaylist, "mnuMix",               S::Framed,    "&Mix to next now",       "tlbCmdMix",        kAlt,     kVkEnter,     C::MixNow,            R::DeckRouted},
    MenuItem{kPlaylist, "mnuRewind",            S::Framed,    "5 seconds back",         "tlbCmdRewind",     kShift,   kVkLeft,      C::Rewind,            R::DeckRouted},
    MenuItem{kPlaylist, "mnuForward",           S::Framed,    "5 seconds forward",      "tlbCmdFForward",   kShift,   kVkRight,     C::FastForward,       R::DeckRouted},
    MenuItem{kPlaylist, "mnuPlay",              S::Framed,    "&Play",                  "tlbCmdPlay",       kNoShift, kVkEnter,     C::Play,              R::FrontDeck},
    MenuItem{kPlaylist, "mnuPause",             S::Framed,    "Pause",                  "tlbCmdPause",      kNoShift, kVkSpace,     C::Pause,             R::DeckRouted},
    MenuItem{kPlaylist, "mnuStop",              S::Framed,    "Stop",                   "tlbCmdStop",       kNoShift, kVkBackspace, C::Stop,              R::DeckRouted},
    MenuItem{kPlaylist, "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kPlaylist, "mnuRepeat",            S::Checkable, "&Repeat",                nullptr,            kNoShift, kVkNone,      C::Repeat,            R::Single},
    MenuItem{kPlaylist, "mnuShuffle",           S::Framed,    "Shu&ffle",               "tlbCmdMix",        kNoShift, kVkNone,      C::Shuffle,           R::Single},
    MenuItem{kPlaylist, "mnuShuffleEachRound",  S::Checkable, "Shuffle each &round",    nullptr,            kNoShift, kVkNone,      C::ShuffleEachRound,  R::Single},
    MenuItem{kPlaylist, "mnuJingles",           S::Framed,    "&Jingles...",            "cmdSampleVolUp",   kNoShift, kVkNone,      C::Jingles,           R::Single},
    MenuItem{kPlaylist, "mnuSchedule",          S::Framed,    "Sc&hedule...",           "tlbCmdPlay",       kNoShift, kVkNone,      C::Schedule,          R::Single},
    MenuItem{kPlaylist, "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kPlaylist, "mnuExit",              S::Framed,    "&Exit",                  "cmdLstRemove",     kAlt,     kVkF4,        C::Exit,              R::Single},
    MenuItem{nullptr,   "mnuSampleList",        S::Plain,     "&Samplelist",            nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kSamplelist, "mnuNewSampleList",   S::Plain,     "&New samplelist",        "cmdNewPlaylist",   kShift,   kVkN,         C::NewSampleList,     R::Single},
    MenuItem{kSamplelist, "mnuOpenSampleList",  S::Framed,    "&Open samplelist",       "cmdOpenPlaylist",  kShift,   kVkO,         C::OpenSampleList,    R::Single},
    MenuItem{kSamplelist, "mnuSaveSampleList",  S::Framed,    "&Save samplelist",       "cmdSavePlaylist",  kShift,   kVkS,         C::SaveSampleList,    R::Single},
    MenuItem{kSamplelist, "",                   S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kSamplelist, "mnuSampleVolUp",     S::Framed,    "&Sample volume up",      "cmdSampleVolUp",   kNoShift, kVkAdd,       C::SampleVolumeUp,    R::Single},
    MenuItem{kSamplelist, "mnuSampleVolDown",   S::Framed,    "&Sample volume down",    "cmdSampleVolDown", kNoShift, kVkSubtract,  C::SampleVolumeDown,  R::Single},
    MenuItem{nullptr,   "mnuEffects",           S::Plain,     "&Effects",               nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kEffects,  "mnuTempoDown",         S::Plain,     "&Tempo down",            "cmdRed",           kNoShift, kVkLeft,      C::TempoDown,         R::DeckRouted},
    MenuItem{kEffects,  "mnuTempoUp",           S::Plain,     "&Tempo up",              "cmdGreen",         kNoShift, kVkRight,     C::TempoUp,           R::DeckRouted},
    MenuItem{kEffects,  "mnuTempoReset",        S::Plain,     "&Tempo reset",           "cmdTempoReset",    kNoShift, kVkEnd,       C::TempoReset,        R::DeckRouted},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kEffects,  "mnuSemitoneDown",      S::Plain,     "&Semitone pitch down",   "cmdRed",           kShift,   kVkDown,      C::SemitoneDown,      R::DeckRouted},
    MenuItem{kEffects,  "mnuSemitoneUp",        S::Plain,     "&Semitone pitch up",     "cmdGreen",         kShift,   kVkUp,        C::SemitoneUp,        R::DeckRouted},
    MenuItem{kEffects,  "mnuSemitoneReset",     S::Plain,     "Semitone pitch reset",   "cmdTempoReset",    kShift,   kVkEnd,       C::SemitoneReset,     R::DeckRouted},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kEffects,  "mnuGradualDown",       S::Plain,     "&Gradual pitch down",    "cmdRed",           kCtrl,    kVkDown,      C::GradualDown,       R::DeckRouted},
    MenuItem{kEffects,  "mnuGradualUp",         S::Plain,     "&Gradual pitch up",      "cmdGreen",         kCtrl,    kVkUp,        C::GradualUp,         R::DeckRouted},
    MenuItem{kEffects,  "mnuGradualReset",      S::Plain,     "Gradual pitch reset",    "cmdTempoReset",    kCtrl,    kVkEnd,       C::GradualReset,      R::DeckRouted},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kEffects,  "mnuTempoPitchDown",    S::Plain,     "&Tempo and pitch down",  "cmdRed",           kAlt,     kVkDown,      C::RateDown,          R::DeckRouted},
    MenuItem{kEffects,  "mnuTempoPitchUp",      S::Plain,     "&Tempo and pitch up",    "cmdGreen",         kAlt,     kVkUp,        C::RateUp,            R::DeckRouted},
    MenuItem{kEffects,  "mnuTempoPitchReset",   S::Plain,     "&Tempo and pitch reset", "cmdTempoReset",    kAlt,     kVkEnd,       C::RateReset,         R::DeckRouted},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kEffects,  "mnuTrimSilence",       S::Checkable, "Trim &silence",          nullptr,            kNoShift, kVkNone,      C::TrimSilence,       R::Single},
    MenuItem{kEffects,  "mnuLevelLoudness",     S::Checkable, "&Level loudness",        nullptr,            kNoShift, kVkNone,      C::LevelLoudness,     R::Single},
    MenuItem{kEffects,  "mnuFadeAtOutro",       S::Checkable, "Fade at &outro",         nullptr,            kNoShift, kVkNone,      C::FadeAtOutro,       R::Single},
    MenuItem{kEffects,  "mnuMatchBeats",        S::Checkable, "Match &beats",           nullptr,            kNoShift, kVkNone,      C::MatchBeats,        R::Single},
    MenuItem{nullptr,   "mnuBroadcast",         S::Plain,     "&Broadcast",             nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kBroadcast, "mnuStream",           S::Checkable, "&Stream to a server...", nullptr,            kNoShift, kVkNone,      C::Broadcast,         R::Single},
    MenuItem{kBroadcast, "mnuRecord",           S::Checkable, "&Record the mix...",     nullptr,            kNoShift, kVkNone,      C::Record,            R::Single},
    MenuItem{nullptr,   "keyHelp",              S::Plain,     "&Help",                  nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kHelp,     "mnuContents",          S::Plain,     "&Contents...",           "tlbCmdHelp",       kNoShift, kVkF1,        C::Help,              R::Single},
    MenuItem{kHelp,     "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      C::None,              R::None},
    MenuItem{kHelp,     "mnuOnlineSupport",     S::Plain,     "&Support online",        "cmdOnlineSupport", kNoShift, kVkNone,      C::OnlineSupport,     R::Single},
    MenuItem{kHelp,     "mnuAbout",             S::Plain,     "&About Vantrel...",      "cmdAbout",         kNoShift, kVkNone,      C::About,             R::Single},
};
// clang-format on

}  // namespace

std::span<const MenuItem> MenuTable() {
    return kItems;
}

const MenuItem* MenuItemFor(MenuCommand command) {
    if (command == MenuCommand::None) return nullptr;
    for (const MenuItem& item : kItems)
        if (item.command == command) return &item;
    return nullptr;
}

std::optional<int> MenuTargetDeck(const MenuItem& item, const MenuRouting& routing) {
    switch (item.route) {
        case MenuRoute::None:
            return std::nullopt;
        case MenuRoute::Single:
            return 0;
        case MenuRoute::DeckRouted:
            if (routing.deck1Playing) return 0;
            if (routing.deck2Playing) return 1;
            return std::nullopt;
        case MenuRoute::FrontDeck:
            return routing.deck2InFront ? 1 : 0;
    }
    return std::nullopt;
}

void MenuHandlers::set(MenuCommand command, Handler handler) {
    if (command == MenuCommand::None || command == MenuCommand::Count) return;
    handlers_[std::size_t(command)] = std::move(handler);
}

void MenuHandlers::set(MenuCommand command, std::function<void()> handler) {
    set(command, Handler([handler = std::move(handler)](int) { handler(); }));
}

bool MenuHandlers::has(MenuCommand command) const {
    return command != MenuCommand::None && command != MenuCommand::Count &&
           bool(handlers_[std::size_t(command)]);
}

void MenuHandlers::dispatch(const MenuItem& item, const MenuRouting& routing) const {
    const std::optional<int> deck = MenuTargetDeck(item, routing);
    if (!deck || !has(item.command)) return;
    try {
        handlers_[std::size_t(item.command)](*deck);
    } catch (...) {
        // A failing command keeps what it already did; the menu stays usable.
    }
}

}  // namespace vantrel
