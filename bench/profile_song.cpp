// One part of a song's profile for the mix, on a file opened for it alone, for bench/audio.sh to
// time against a full decode of the same file. Linked to the audio module only, so that the
// process costs what the profiling costs.
//   profile_song --scan FILE        the audible ends, as the silence trimming finds them
//   profile_song --loudness FILE    the loudness, as the levelling measures it
//   profile_song --beats FILE       the beat grids of the first and last stretch, as the
//                                   beat-matched fades find them: from the audible ends, found
//                                   first on the same decoder, as the program does
#include <cstdio>
#include <cstring>

#include "audio/Decoder.h"
#include "audio/SongProfile.h"

using namespace vantrel::audio;

int main(int argc, char** argv) {
    const bool ends = argc == 3 && std::strcmp(argv[1], "--scan") == 0;
    const bool beats = argc == 3 && std::strcmp(argv[1], "--beats") == 0;
    if (argc != 3 || (!ends && !beats && std::strcmp(argv[1], "--loudness") != 0)) {
        std::fputs("usage: profile_song --scan|--loudness|--beats FILE\n", stderr);
        return 2;
    }
    if (beats) {
        OpenResult r = openDecoder(argv[2], 44100);
        if (!r.decoder) return 1;
        SongProfile p;
        scanEnds(*r.decoder, p);
        findBeats(*r.decoder, p);
        for (const auto& [name, grid] : {std::pair{"head", p.headBeats}, {"tail", p.tailBeats}})
            if (grid)
                std::printf(
                    "%s: %.3f BPM, beat at %.1f ms, confidence %.2f, %d beats, %.0f..%.0f ms\n",
                    name, grid->bpm(), grid->anchorMs, grid->confidence, grid->beats, grid->fromMs,
                    grid->toMs);
            else
                std::printf("%s: no grid\n", name);
        return 0;
    }
    OpenResult r = openDecoder(argv[2], 44100);
    if (!r.decoder) return 1;
    SongProfile p;
    if (ends) {
        scanEnds(*r.decoder, p);
        std::printf("audible %d..%d ms%s\n", p.audibleStartMs, p.audibleEndMs,
                    p.silent ? ", silent" : "");
        return 0;
    }
    measureLoudness(*r.decoder, p);
    if (!p.loudness) return 1;
    std::printf("%.2f LUFS\n", *p.loudness);
    return 0;
}
