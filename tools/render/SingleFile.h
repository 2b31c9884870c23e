#pragma once
// The first form of vantrel-render: one file through one player on the offline output.
#include <string>
#include <vector>

namespace vantrel::render {

// Parses [--tempo F] [--pitch F] [--rate F] [--semitones N] [--trim-silence] [--level-loudness]
// [--fade-at-outro] [--match-beats] --out OUT.wav FILE and renders.
// Returns the process exit status; messages go to stderr.
int runSingleFile(const std::vector<std::string>& args);

}  // namespace vantrel::render
