#pragma once
// The renderer's playlist form: `vantrel-render [--interval M] [--log] [--trim-silence]
// [--level-loudness] [--fade-at-outro] [--match-beats] --out OUT.wav LIST.kvl` mixes a whole
// playlist offline, exactly as the desk would mix it live.

namespace vantrel::render {

// Returns the process exit code: 0 written, 1 nothing could be rendered, 2 bad arguments.
int runPlaylistForm(int argc, char** argv);

}  // namespace vantrel::render
