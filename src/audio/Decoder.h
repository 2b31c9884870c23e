#pragma once
// Decodes one audio file into interleaved stereo float frames at the engine's rate.
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "audio/SongTags.h"

namespace vantrel::audio {

class Decoder {
public:
    enum class Read { Ok, End, Error };

    virtual ~Decoder() = default;

    // Reads up to `frames` frames into `out`. Clamped to the measured length, so every caller
    // sees the same end of stream whatever the container says. Sets `got`.
    Read read(float* out, int frames, int& got);
    // Puts the next frame read at `frame` (output rate); clamped to the length.
    bool seek(std::int64_t frame);

    std::int64_t position() const { return position_; }
    std::int64_t lengthFrames() const { return lengthFrames_; }  // at the output rate
    int lengthMs() const { return lengthMs_; }                   // exact source length
    // The container's own duration in whole seconds, as probeDurationSeconds gives it.
    int containerSeconds() const { return containerSeconds_; }
    int outputRate() const { return outputRate_; }
    // The track's integrated loudness (LUFS) as its ReplayGain or R128 tags give it.
    std::optional<double> taggedLoudness() const { return taggedLoudness_; }
    // The song's artist, title and album, read with the open.
    const SongTags& tags() const { return tags_; }

protected:
    virtual Read decode(float* out, int frames, int& got) = 0;
    virtual bool seekTo(std::int64_t frame) = 0;

    std::int64_t lengthFrames_ = 0;
    int lengthMs_ = 0;
    int containerSeconds_ = 0;
    int outputRate_ = 44100;
    std::optional<double> taggedLoudness_;
    SongTags tags_;

private:
    std::int64_t position_ = 0;
};

// The open's answer for a path that names no file (a folder gone, a stick not plugged in), as
// against one that is there but does not play.
inline constexpr int kFileNotFound = 1;

struct OpenResult {
    std::unique_ptr<Decoder> decoder;
    int error = 0;  // 0 = opened
};

// How far into a file its open looks for what its audio really is: a wav of 16-bit samples may
// carry another codec (DTS, S/PDIF), which is looked for in its first 128 KB to play it, or in
// its first 16 KB (a tenth of the cost of a wav's open) for a look that only measures it.
enum class Probe { Thorough, Glance };

// Opens, checks that the first audio decodes, and measures the exact length.
OpenResult openDecoder(const std::string& path, int outputRate, Probe probe = Probe::Thorough);

// Container or stream duration in whole seconds (truncated); -1 when the file does not open.
int probeDurationSeconds(const std::string& path);

// Decodes a whole (short) file; empty on failure.
bool decodeWhole(const std::string& path, int outputRate, std::vector<float>& interleaved);

}  // namespace vantrel::audio
