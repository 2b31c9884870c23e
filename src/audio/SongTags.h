#pragma once
// A song's own artist, title and album, as its tags give them (ID3v1/v2, Vorbis comments, MP4
// atoms, APE). Reading them touches the file: never on the window's thread. A deck's player
// reads them with its open (Player::Tags), so a cued song has them at no further cost.
#include <string>

namespace vantrel::audio {

struct SongTags {
    std::string artist;  // UTF-8, trimmed, one line; empty when the song has none
    std::string title;
    std::string album;

    bool empty() const { return artist.empty() && title.empty() && album.empty(); }
    bool operator==(const SongTags&) const = default;
};

// The tags of the file at `path`; empty ones when it has none or does not open.
SongTags readSongTags(const std::string& path);

// The line that says what plays: "Artist - Title", the title alone without an artist, and
// `displayTitle` when the song has no title tag.
std::string nowPlayingLine(const SongTags& tags, const std::string& displayTitle);

}  // namespace vantrel::audio
