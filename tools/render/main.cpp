#include <cstdio>
#include <string>
#include <vector>

#include "PlaylistForm.h"
#include "SingleFile.h"

namespace {

// The playlist form names a .kvl list where the single-file form names a song.
bool namesPlaylist(const std::vector<std::string>& args) {
    for (size_t i = 0; i < args.size(); ++i) {
        const std::string& a = args[i];
        if (a == "--out" || a == "--tempo" || a == "--pitch" || a == "--rate" ||
            a == "--semitones" || a == "--interval") {
            ++i;
            continue;
        }
        if (a.size() > 4 && a.compare(a.size() - 4, 4, ".kvl") == 0) return true;
    }
    return false;
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string> args(argv + 1, argv + argc);
    if (namesPlaylist(args)) return vantrel::render::runPlaylistForm(argc, argv);
    return vantrel::render::runSingleFile(args);
}
