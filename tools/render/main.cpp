#include <algorithm>
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "PlaylistForm.h"
#include "SingleFile.h"

namespace {

// The playlist form names a list (.kvl, or another player's .m3u, .m3u8, .pls or .xspf) where
// the single-file form names a song.
bool namesPlaylist(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--out" || a == "--tempo" || a == "--pitch" || a == "--rate" ||
            a == "--semitones" || a == "--interval" || a == "--minutes" || a == "--seed" ||
            a == "--sample-list" || a == "--jingle-every" || a == "--jingle-minutes" ||
            a == "--jingle-group" || a == "--jingle-duck") {
            ++i;
            continue;
        }
        std::string lower = a;
        std::transform(lower.begin(), lower.end(), lower.begin(),
                       [](unsigned char c) { return char(std::tolower(c)); });
        for (const char* ext : {".kvl", ".m3u", ".m3u8", ".pls", ".xspf"}) {
            const std::size_t n = std::strlen(ext);
            if (lower.size() > n && lower.compare(lower.size() - n, n, ext) == 0) return true;
        }
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (namesPlaylist(args)) return vantrel::render::runPlaylistForm(argc, argv);
    return vantrel::render::runSingleFile(args);
}
