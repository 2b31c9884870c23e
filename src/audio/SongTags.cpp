#include "audio/SongTags.h"

extern "C" {
#include <libavformat/avformat.h>
}

#include <sys/stat.h>
#include <memory>

#include "audio/SongTagsFfmpeg.h"

namespace vantrel::audio {

namespace {

// Longer texts are cut: a tag is shown on one line, and a hostile file may carry megabytes.
constexpr std::size_t kMaxTagBytes = 512;

// One line of text: control characters (line breaks, NULs, tabs) become spaces, runs of spaces
// one, no space at either end; cut at kMaxTagBytes on a UTF-8 character boundary.
std::string oneLine(const char* text) {
    std::string out;
    bool space = false;
    for (const char* p = text; *p && out.size() < kMaxTagBytes + 4; ++p) {
        const auto c = static_cast<unsigned char>(*p);
        if (c < 0x20 || c == 0x7f || c == ' ') {
            space = !out.empty();
            continue;
        }
        if (space) out.push_back(' ');
        space = false;
        out.push_back(char(c));
    }
    if (out.size() > kMaxTagBytes) {
        std::size_t cut = kMaxTagBytes;
        while (cut > 0 && (static_cast<unsigned char>(out[cut]) & 0xC0) == 0x80) --cut;
        out.resize(cut);
        while (!out.empty() && out.back() == ' ') out.pop_back();
    }
    return out;
}

bool validUtf8(const std::string& s) {
    for (std::size_t i = 0; i < s.size();) {
        const auto c = static_cast<unsigned char>(s[i]);
        const int more = c < 0x80           ? 0
                         : (c >> 5) == 0x6  ? 1
                         : (c >> 4) == 0xE  ? 2
                         : (c >> 3) == 0x1E ? 3
                                            : -1;
        if (more < 0 || i + std::size_t(more) >= s.size()) return false;
        for (int k = 1; k <= more; ++k)
            if ((static_cast<unsigned char>(s[i + k]) & 0xC0) != 0x80) return false;
        i += std::size_t(more) + 1;
    }
    return true;
}

// ID3v1 and some old ID3v2 frames are Latin-1, which FFmpeg hands on as it is.
std::string asUtf8(const char* text) {
    std::string s(text);
    if (validUtf8(s)) return s;
    std::string out;
    for (const char c : s) {
        const auto b = static_cast<unsigned char>(c);
        if (b < 0x80) {
            out.push_back(c);
        } else {
            out.push_back(char(0xC0 | (b >> 6)));
            out.push_back(char(0x80 | (b & 0x3F)));
        }
    }
    return out;
}

std::string lookUp(const AVDictionary* container, const AVDictionary* stream,
                   std::initializer_list<const char*> keys) {
    for (const char* key : keys)
        for (const AVDictionary* tags : {container, stream})
            if (const AVDictionaryEntry* e = av_dict_get(tags, key, nullptr, 0)) {
                std::string text = oneLine(asUtf8(e->value).c_str());
                if (!text.empty()) return text;
            }
    return {};
}

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};

}  // namespace

SongTags tagsOf(const AVFormatContext* format, int stream) {
    if (!format) return {};
    const AVDictionary* streamTags = stream >= 0 && unsigned(stream) < format->nb_streams
                                         ? format->streams[stream]->metadata
                                         : nullptr;
    SongTags t;
    // A compilation's track names its own artist; the album's artist stands in for a missing one.
    t.artist = lookUp(format->metadata, streamTags, {"artist", "album_artist"});
    t.title = lookUp(format->metadata, streamTags, {"title"});
    t.album = lookUp(format->metadata, streamTags, {"album"});
    return t;
}

SongTags readSongTags(const std::string& path) {
    // Only regular files: a device or a fifo would block or never end.
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_size == 0) return {};
    AVFormatContext* raw = nullptr;
    // Opening reads the headers, where every tag format the player knows keeps its tags; the
    // streams need not be probed.
    if (avformat_open_input(&raw, path.c_str(), nullptr, nullptr) < 0) return {};
    const std::unique_ptr<AVFormatContext, FormatCloser> format(raw);
    int stream = -1;
    for (unsigned i = 0; i < format->nb_streams; ++i)
        if (format->streams[i]->codecpar->codec_type == AVMEDIA_TYPE_AUDIO) {
            stream = int(i);
            break;
        }
    return tagsOf(format.get(), stream);
}

std::string nowPlayingLine(const SongTags& tags, const std::string& displayTitle) {
    if (tags.title.empty()) return displayTitle;
    if (tags.artist.empty()) return tags.title;
    return tags.artist + " - " + tags.title;
}

}  // namespace vantrel::audio
