#include "deck/DeckLoader.h"

#include "audio/Player.h"
#include "base/FilePath.h"
#include "deck/Deck.h"
#include "playlist/Playlist.h"

namespace vantrel {

DeckLoader::DeckLoader(Deck& deck) : deck_(deck) {}

bool DeckLoader::load(int entry, LoadKind kind) {
    Playlist& list = deck_.playlist();
    if (entry < 0 || entry >= list.count()) return false;
    const DeckSong& song = deck_.song();
    audio::Player& player = deck_.player();
    const QString title = list.title(entry);
    player.SetFileName(PathToStdString(list.path(entry)));
    deck_.setPath(list.path(entry));
    // A cue shows what comes next even when its file turns out not to open: the mixer then
    // passes it over.
    if (kind == LoadKind::Cue) {
        deck_.fillTicker(title, kTickerSeparator);
        emit deck_.cued(song.path);
    }
    // A file that does not open changes nothing more: the song the player holds plays on.
    if (deck_.open() != 0) return false;
    if (kind != LoadKind::Cue) {
        deck_.fillTicker(title, kTickerSeparator);
        emit deck_.opened(song.path);
    }
    if (kind != LoadKind::Preview) deck_.setPaused(false);
    // A slow file is measured by the position tick once it has opened; until then its length is 0.
    const bool measured = !player.Opening();
    deck_.setLength(measured ? measure(song.path) : 0, measured);
    if (song.length > 0) deck_.display.setProgressMax(song.length);
    if (kind != LoadKind::Preview) deck_.display.setProgressValue(player.Position());
    return true;
}

bool DeckLoader::cueNext() {
    return load(0, LoadKind::Cue);
}

int DeckLoader::measure(const QString& path) {
    const audio::Player& player = deck_.player();
    return path.endsWith(QStringLiteral("mp3"), Qt::CaseSensitive)
               ? player.ContainerSeconds() * 1000
               : player.Length();
}

}  // namespace vantrel
