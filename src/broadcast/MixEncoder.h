#pragma once
// Encodes the live mix (interleaved stereo float at the engine's rate) with one of FFmpeg's
// encoders into a container, either into a file or handed out in pieces for the stream.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

namespace vantrel::broadcast {

enum class MixFormat { Mp3, Ogg, Opus, Flac, Wav };

// "mp3", "ogg", "opus", "flac", "wav" (any case); false for anything else.
bool mixFormatFromName(const std::string& name, MixFormat& format);
const char* mixFormatName(MixFormat format);

struct EncoderSettings {
    MixFormat format = MixFormat::Mp3;
    int bitrateKbps = 128;  // lossy formats only
    int inputRate = 44100;
    std::string title;  // carried in the stream's own tags (Ogg comments) where it has them
};

class MixEncoder {
public:
    // Receives each piece of the container as it is written; false stops the encoder.
    using Sink = std::function<bool(const std::uint8_t* data, std::size_t size)>;

    ~MixEncoder();
    MixEncoder(const MixEncoder&) = delete;
    MixEncoder& operator=(const MixEncoder&) = delete;

    // Into a file (the container from `settings.format`), or into `sink` as a live stream
    // (no seeking back: no headers that need rewriting). Null with `error` set on failure.
    static std::unique_ptr<MixEncoder> toFile(const EncoderSettings& settings,
                                              const std::string& path, std::string& error);
    static std::unique_ptr<MixEncoder> toSink(const EncoderSettings& settings, Sink sink,
                                              std::string& error);

    // False once writing failed (a full disk, a sink that refused); error() says why.
    bool write(const float* interleaved, int frames);
    // Encodes what is still held back and closes the container, so what was written is whole.
    bool finish();
    const std::string& error() const { return error_; }
    std::int64_t framesWritten() const { return framesIn_; }

    struct State;

private:
    explicit MixEncoder(std::unique_ptr<State> state);
    bool fail(const std::string& why, int code);
    bool encodeFrames(bool flush);

    std::unique_ptr<State> state_;
    std::string error_;
    std::int64_t framesIn_ = 0;
    bool finished_ = false;
};

}  // namespace vantrel::broadcast
