// Any bytes as a song: opened, measured, read to its end in blocks as a deck's worker reads it,
// then read again from a seek. An open file has a length; a read that says Ok brings sound
// (the worker would spin on one that does not); every read stays within what was asked and
// moves the position by what it gave; and what comes out of a read to the end never passes the
// measured length by more than one block.
#include <array>
#include <iterator>
#include <map>
#include <memory>

#include "FuzzSupport.h"
#include "audio/Block.h"
#include "audio/Decoder.h"

using namespace vantrel;
using namespace vantrel::audio;
using fuzz::require;

namespace {

// The types the player lists: the name is part of how a file's type is guessed.
const char* const kSuffixes[] = {".mp3", ".wav", ".ogg", ".wma", ".aif", ".aiff", ".flac", ".m4a"};

const fuzz::InputFile& fileFor(const char* suffix) {
    static std::map<std::string, std::unique_ptr<fuzz::InputFile>> files;
    auto& file = files[suffix];
    if (!file) file = std::make_unique<fuzz::InputFile>(suffix);
    return *file;
}

// Frames read from the position on, a block at a time, until the end or an error.
std::int64_t readToEnd(Decoder& decoder) {
    std::array<float, kBlockFrames * 2> block;
    std::int64_t total = 0;
    for (;;) {
        const std::int64_t before = decoder.position();
        int got = -1;
        const Decoder::Read r = decoder.read(block.data(), kBlockFrames, got);
        require(got >= 0 && got <= kBlockFrames, "a read gives at most what was asked");
        require(decoder.position() == before + got, "the position moves by what was read");
        require(decoder.position() <= decoder.lengthFrames(), "the position stays in the song");
        total += got;
        if (r != Decoder::Read::Ok) return total;
        require(got > 0, "a read that says Ok brings sound");
        require(total <= decoder.lengthFrames() + kBlockFrames,
                "a read to the end stays within the measured length and one block");
    }
}

}  // namespace

// The first byte picks the file's type by name, the second where the seek goes (0: none).
extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size < 2) return 0;
    const fuzz::InputFile& file = fileFor(kSuffixes[data[0] % std::size(kSuffixes)]);
    const int seekAt = data[1];
    require(file.write(data + 2, size - 2), "the input file can be written");

    const int seconds = probeDurationSeconds(file.path());
    require(seconds >= -1, "a probed duration is -1 or more");
    OpenResult opened = openDecoder(file.path(), 44100);
    if (!opened.decoder) {
        require(opened.error != 0, "a file that does not open says why");
        return 0;
    }
    require(opened.error == 0, "an open file has no error");
    Decoder& decoder = *opened.decoder;
    require(seconds >= 0, "a file that opens also probes");
    require(decoder.lengthFrames() > 0, "an open file has a length");
    require(decoder.lengthMs() >= 0, "a length in milliseconds is never negative");
    require(decoder.position() == 0, "a song opens at its start");

    readToEnd(decoder);
    std::array<float, kBlockFrames * 2> block;
    int got = -1;
    decoder.read(block.data(), kBlockFrames, got);
    require(got == 0, "the end of a song stays its end");
    if (seekAt == 0) return 0;
    const std::int64_t target = decoder.lengthFrames() * seekAt / 256;
    if (!decoder.seek(target)) return 0;
    require(decoder.position() == target, "a seek puts the position where it was asked");
    const std::int64_t after = readToEnd(decoder);
    require(after <= decoder.lengthFrames() - target + kBlockFrames,
            "a read from a seek stays within what is left and one block");
    return 0;
}
