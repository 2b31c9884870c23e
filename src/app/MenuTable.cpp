#include "app/MenuTable.h"

#include <array>

namespace vantrel {

namespace {

using S = MenuStyle;
using R = MenuRoute;

constexpr const char* kPlaylist = "mnuPlaylist";
constexpr const char* kSamplelist = "mnuSampleList";
constexpr const char* kEffects = "mnuEffects";
constexpr const char* kHelp = "keyHelp";

// clang-format off
constexpr std::array kItems{
    MenuItem{nullptr,   "mnuPlaylist",          S::Plain,     "&Playlist",              nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kPlaylist, "mnuNewPlaylist",       S::Framed,    "&New playlist",          "cmdNewPlaylist",   kCtrl,    kVkN,         R::Single,     "cmdNewPlaylist",    nullptr},
    MenuItem{kPlaylist, "mnuOpenPlaylist",      S::Framed,    "&Open playlist",         "cmdOpenPlaylist",  kCtrl,    kVkO,         R::Single,     "cmdOpenPlaylist",   nullptr},
    MenuItem{kPlaylist, "mnuSavePlaylist",      S::Framed,    "&Save playlist",         "cmdSavePlaylist",  kCtrl,    kVkS,         R::Single,     "cmdSavePlaylist",   nullptr},
    MenuItem{kPlaylist, "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kPlaylist, "mnuAddFilePlaylist",   S::Framed,    "&Add file to playlist",  "cmdAddFileList",   kCtrl,    kVkA,         R::Single,     "cmdAddFileList",    nullptr},
    MenuItem{kPlaylist, "mnuAddFolderPlaylist", S::Framed,    "&Add folder to playlist","cmdAddFolderList", kCtrl,    kVkF,         R::Single,     "cmdAddFolderList",  nullptr},
    MenuItem{kPlaylist, "mnuSep",               S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kPlaylist, "mnuMix",               S::Framed,    "&Mix to next now",       "tlbCmdMix",        kAlt,     kVkEnter,     R::DeckRouted, "cmdMix",            "cmdMix2"},
    MenuItem{kPlaylist, "mnuRewind",            S::Framed,    "5 seconds back",         "tlbCmdRewind",     kShift,   kVkLeft,      R::DeckRouted, "cmdRewind",         "cmdRewind2"},
    MenuItem{kPlaylist, "mnuForward",           S::Framed,    "5 seconds forward",      "tlbCmdFForward",   kShift,   kVkRight,     R::DeckRouted, "cmdFForward",       "cmdFForward2"},
    MenuItem{kPlaylist, "mnuPlay",              S::Framed,    "&Play",                  "tlbCmdPlay",       kNoShift, kVkEnter,     R::FrontDeck,  "cmdPlay",           "cmdPlay2"},
    MenuItem{kPlaylist, "mnuPause",             S::Framed,    "Pause",                  "tlbCmdPause",      kNoShift, kVkSpace,     R::DeckRouted, "cmdPause",          "cmdPause2"},
    MenuItem{kPlaylist, "mnuStop",              S::Framed,    "Stop",                   "tlbCmdStop",       kNoShift, kVkBackspace, R::DeckRouted, "cmdStop",           "cmdStop2"},
    MenuItem{kPlaylist, "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kPlaylist, "mnuExit",              S::Framed,    "&Exit",                  "cmdLstRemove",     kAlt,     kVkF4,        R::Single,     "mnuExit",           nullptr},
    MenuItem{nullptr,   "mnuSampleList",        S::Plain,     "&Samplelist",            nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kSamplelist, "mnuNewSampleList",   S::Plain,     "&New samplelist",        "cmdNewPlaylist",   kShift,   kVkN,         R::Single,     "cmdNewSampleList",  nullptr},
    MenuItem{kSamplelist, "mnuOpenSampleList",  S::Framed,    "&Open samplelist",       "cmdOpenPlaylist",  kShift,   kVkO,         R::Single,     "cmdOpenSampleList", nullptr},
    MenuItem{kSamplelist, "mnuSaveSampleList",  S::Framed,    "&Save samplelist",       "cmdSavePlaylist",  kShift,   kVkS,         R::Single,     "cmdSaveSampleList", nullptr},
    MenuItem{kSamplelist, "",                   S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kSamplelist, "mnuSampleVolUp",     S::Framed,    "&Sample volume up",      "cmdSampleVolUp",   kNoShift, kVkAdd,       R::Single,     "cmdSampleVolUp",    nullptr},
    MenuItem{kSamplelist, "mnuSampleVolDown",   S::Framed,    "&Sample volume down",    "cmdSampleVolDown", kNoShift, kVkSubtract,  R::Single,     "cmdSampleVolDown",  nullptr},
    MenuItem{nullptr,   "mnuEffects",           S::Plain,     "&Effects",               nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kEffects,  "mnuTempoDown",         S::Plain,     "&Tempo down",            "cmdRed",           kNoShift, kVkLeft,      R::DeckRouted, "cmdTempoDown",      "cmdTempoDown2"},
    MenuItem{kEffects,  "mnuTempoUp",           S::Plain,     "&Tempo up",              "cmdGreen",         kNoShift, kVkRight,     R::DeckRouted, "cmdTempoUp",        "cmdTempoUp2"},
    MenuItem{kEffects,  "mnuTempoReset",        S::Plain,     "&Tempo reset",           "cmdTempoReset",    kNoShift, kVkEnd,       R::DeckRouted, "cmdTempoReset",     "cmdTempoReset2"},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kEffects,  "mnuSemitoneDown",      S::Plain,     "&Semitone pitch down",   "cmdRed",           kShift,   kVkDown,      R::DeckRouted, "cmdSemitoneDown",   "cmdSemitoneDown2"},
    MenuItem{kEffects,  "mnuSemitoneUp",        S::Plain,     "&Semitone pitch up",     "cmdGreen",         kShift,   kVkUp,        R::DeckRouted, "cmdSemitoneUp",     "cmdSemitoneUp2"},
    MenuItem{kEffects,  "mnuSemitoneReset",     S::Plain,     "Semitone pitch reset",   "cmdTempoReset",    kShift,   kVkEnd,       R::DeckRouted, "cmdPitchResetSemi", "cmdPitchResetSemi2"},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kEffects,  "mnuGradualDown",       S::Plain,     "&Gradual pitch down",    "cmdRed",           kCtrl,    kVkDown,      R::DeckRouted, "cmdGradualDown",    "cmdGradualDown2"},
    MenuItem{kEffects,  "mnuGradualUp",         S::Plain,     "&Gradual pitch up",      "cmdGreen",         kCtrl,    kVkUp,        R::DeckRouted, "cmdGradualUp",      "cmdGradualUp2"},
    MenuItem{kEffects,  "mnuGradualReset",      S::Plain,     "Gradual pitch reset",    "cmdTempoReset",    kCtrl,    kVkEnd,       R::DeckRouted, "cmdPitchResetGrad", "cmdPitchResetGrad2"},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kEffects,  "mnuTempoPitchDown",    S::Plain,     "&Tempo and pitch down",  "cmdRed",           kAlt,     kVkDown,      R::DeckRouted, "cmdTempoPitchDown", "cmdTempoPitchDown2"},
    MenuItem{kEffects,  "mnuTempoPitchUp",      S::Plain,     "&Tempo and pitch up",    "cmdGreen",         kAlt,     kVkUp,        R::DeckRouted, "cmdTempoPitchUp",   "cmdTempoPitchUp2"},
    MenuItem{kEffects,  "mnuTempoPitchReset",   S::Plain,     "&Tempo and pitch reset", "cmdTempoReset",    kAlt,     kVkEnd,       R::DeckRouted, "cmdRateReset",      "cmdRateReset2"},
    MenuItem{kEffects,  "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kEffects,  "mnuTrimSilence",       S::Checkable, "Trim &silence",          nullptr,            kNoShift, kVkNone,      R::Single,     "cmdTrimSilence",    nullptr},
    MenuItem{kEffects,  "mnuLevelLoudness",     S::Checkable, "&Level loudness",        nullptr,            kNoShift, kVkNone,      R::Single,     "cmdLevelLoudness",  nullptr},
    MenuItem{kEffects,  "mnuFadeAtOutro",       S::Checkable, "Fade at &outro",         nullptr,            kNoShift, kVkNone,      R::Single,     "cmdFadeAtOutro",    nullptr},
    MenuItem{nullptr,   "keyHelp",              S::Plain,     "&Help",                  nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kHelp,     "mnuContents",          S::Plain,     "&Contents...",           "tlbCmdHelp",       kNoShift, kVkF1,        R::Single,     "tlbCmdHelp",        nullptr},
    MenuItem{kHelp,     "",                     S::Separator, "",                       nullptr,            kNoShift, kVkNone,      R::None,       nullptr,             nullptr},
    MenuItem{kHelp,     "mnuOnlineSupport",     S::Plain,     "&Support online",        "cmdOnlineSupport", kNoShift, kVkNone,      R::Single,     "cmdOnlineSupport",  nullptr},
    MenuItem{kHelp,     "mnuAbout",             S::Plain,     "&About Vantrel...",      "cmdAbout",         kNoShift, kVkNone,      R::Single,     "cmdAbout",          nullptr},
};
// clang-format on

}  // namespace

std::span<const MenuItem> MenuTable() {
    return kItems;
}

QString MenuTarget(const QString& key, const MenuRouting& routing) {
    for (const MenuItem& item : kItems) {
        if (key != QLatin1String(item.key)) continue;
        switch (item.route) {
            case MenuRoute::None:
                return {};
            case MenuRoute::Single:
                return QLatin1String(item.deck1);
            case MenuRoute::DeckRouted:
                if (routing.deck1Playing) return QLatin1String(item.deck1);
                if (routing.deck2Playing) return QLatin1String(item.deck2);
                return {};
            case MenuRoute::FrontDeck:
                return QLatin1String(routing.deck2InFront ? item.deck2 : item.deck1);
        }
        return {};
    }
    return {};
}

void MenuDispatch(const QString& key, const MenuRouting& routing, const MenuHandlers& handlers) {
    // An empty key would match the first anonymous separator, which has no action anyway.
    const QString target = MenuTarget(key, routing);
    if (target.isEmpty()) return;
    const auto it = handlers.constFind(target);
    if (it == handlers.constEnd() || !*it) return;
    try {
        (*it)();
    } catch (...) {
        // A failing command keeps what it already did; the menu stays usable.
    }
}

}  // namespace vantrel
