#pragma once
// A playing deck's file, decoded a few seconds ahead on a thread of its own. The deck's worker
// stretches what it reads from here into a short queue (short, so slider moves are heard soon);
// a slow disk, a stick that stalls or a busy machine then holds up this thread, and the seconds
// already decoded keep the deck sounding meanwhile. Reads and seeks give exactly what the
// decoder beneath gives, in the same order, ends and errors included; a file that gives nothing
// for seconds after that ends there, as on a decode error.
#include <cstddef>
#include <cstdint>
#include <memory>
#include <thread>

#include "audio/Decoder.h"

namespace vantrel::audio {

class ReadAhead final : public Decoder {
public:
    static constexpr int kPieceFrames = 1024;
    static constexpr std::size_t kPieces = 128;  // about 3 s at 44.1 kHz

    explicit ReadAhead(std::unique_ptr<Decoder> source);
    ~ReadAhead() override;
    ReadAhead(const ReadAhead&) = delete;
    ReadAhead& operator=(const ReadAhead&) = delete;

protected:
    // Only ever called from one thread (the deck's worker); the decoding thread starts with
    // the first of them, so a file that is replaced before it plays never starts one.
    Read decode(float* out, int frames, int& got) override;
    bool seekTo(std::int64_t frame) override;

private:
    struct Shared;
    void start();
    Read giveUp();  // the file ends here, as on a decode error

    std::shared_ptr<Shared> shared_;
    std::thread thread_;
    // Reader-owned.
    std::uint32_t epoch_ = 0;  // one per seek; older pieces are passed over
    int pieceOffset_ = 0;
    bool finished_ = false;
    Read finalRead_ = Read::End;
};

}  // namespace vantrel::audio
