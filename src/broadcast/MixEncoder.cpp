#include "broadcast/MixEncoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/audio_fifo.h>
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cctype>
#include <vector>

namespace vantrel::broadcast {

namespace {

struct FormatInfo {
    MixFormat format;
    const char* name;
    const char* encoder;
    const char* muxer;
    bool lossy;
};
constexpr FormatInfo kFormats[] = {
    {MixFormat::Mp3, "mp3", "libmp3lame", "mp3", true},
    {MixFormat::Ogg, "ogg", "libvorbis", "ogg", true},
    {MixFormat::Opus, "opus", "libopus", "ogg", true},
    {MixFormat::Flac, "flac", "flac", "flac", false},
    {MixFormat::Wav, "wav", "pcm_s16le", "wav", false},
};

const FormatInfo& infoOf(MixFormat f) {
    for (const FormatInfo& i : kFormats)
        if (i.format == f) return i;
    return kFormats[0];
}

std::string ffmpegText(int code) {
    char text[AV_ERROR_MAX_STRING_SIZE] = {};
    av_strerror(code, text, sizeof text);
    return text;
}

struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct FifoFree {
    void operator()(AVAudioFifo* f) const { av_audio_fifo_free(f); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};

}  // namespace

struct MixEncoder::State {
    ~State() {
        if (!format) return;
        if (customIo) {
            if (format->pb) av_freep(&format->pb->buffer);
            avio_context_free(&format->pb);
        } else if (format->pb) {
            avio_closep(&format->pb);
        }
        avformat_free_context(format);
    }

    AVFormatContext* format = nullptr;
    AVStream* stream = nullptr;
    bool customIo = false;
    Sink sink;
    std::unique_ptr<AVCodecContext, CodecFree> codec;
    std::unique_ptr<SwrContext, SwrFree> resampler;
    std::unique_ptr<AVAudioFifo, FifoFree> fifo;
    std::unique_ptr<AVFrame, FrameFree> frame;
    std::unique_ptr<AVPacket, PacketFree> packet;
    int frameSize = 1024;
    std::int64_t nextPts = 0;
    bool headerWritten = false;
    std::vector<std::uint8_t*> planes;
    std::vector<std::uint8_t> converted;
};

bool mixFormatFromName(const std::string& name, MixFormat& format) {
    std::string lower = name;
    std::transform(lower.begin(), lower.end(), lower.begin(),
                   [](unsigned char c) { return char(std::tolower(c)); });
    for (const FormatInfo& i : kFormats)
        if (lower == i.name) {
            format = i.format;
            return true;
        }
    return false;
}

const char* mixFormatName(MixFormat format) {
    return infoOf(format).name;
}

MixEncoder::MixEncoder(std::unique_ptr<State> state) : state_(std::move(state)) {}

MixEncoder::~MixEncoder() {
    if (!finished_ && state_->headerWritten) finish();
}

bool MixEncoder::fail(const std::string& why, int code) {
    if (error_.empty()) error_ = code < 0 ? why + ": " + ffmpegText(code) : why;
    return false;
}

namespace {

int writeToSink(void* opaque, std::uint8_t* data, int size) {
    auto* state = static_cast<MixEncoder::State*>(opaque);
    return state->sink(data, std::size_t(size)) ? size : AVERROR(EPIPE);
}

// The encoder's rate: the engine's where the encoder takes it, else the nearest above (Opus
// runs at 48 kHz only).
int encoderRate(const AVCodec* codec, int wanted) {
    if (!codec->supported_samplerates) return wanted;
    int above = 0, highest = 0;
    for (const int* r = codec->supported_samplerates; *r; ++r) {
        if (*r == wanted) return wanted;
        if (*r > wanted && (above == 0 || *r < above)) above = *r;
        highest = std::max(highest, *r);
    }
    return above > 0 ? above : highest;
}

AVSampleFormat encoderSampleFormat(const AVCodec* codec) {
    if (!codec->sample_fmts) return AV_SAMPLE_FMT_FLTP;
    for (const AVSampleFormat* f = codec->sample_fmts; *f != AV_SAMPLE_FMT_NONE; ++f)
        if (*f == AV_SAMPLE_FMT_FLTP || *f == AV_SAMPLE_FMT_FLT) return *f;
    return codec->sample_fmts[0];
}

std::unique_ptr<MixEncoder::State> openState(const EncoderSettings& settings,
                                             const std::string* path, MixEncoder::Sink sink,
                                             std::string& error) {
    const FormatInfo& info = infoOf(settings.format);
    auto state = std::make_unique<MixEncoder::State>();
    const auto failed = [&error](const std::string& why, int code) {
        error = code < 0 ? why + ": " + ffmpegText(code) : why;
        return nullptr;
    };
    const AVCodec* codec = avcodec_find_encoder_by_name(info.encoder);
    if (!codec) return failed(std::string("no ") + info.encoder + " encoder in this FFmpeg", 0);
    int r = avformat_alloc_output_context2(&state->format, nullptr, info.muxer,
                                           path ? path->c_str() : nullptr);
    if (r < 0 || !state->format) return failed("cannot make the container", r);

    state->codec.reset(avcodec_alloc_context3(codec));
    AVCodecContext* c = state->codec.get();
    c->sample_fmt = encoderSampleFormat(codec);
    c->sample_rate = encoderRate(codec, settings.inputRate);
    av_channel_layout_default(&c->ch_layout, 2);
    if (info.lossy) c->bit_rate = std::int64_t(std::clamp(settings.bitrateKbps, 8, 512)) * 1000;
    c->time_base = AVRational{1, c->sample_rate};
    if (state->format->oformat->flags & AVFMT_GLOBALHEADER) c->flags |= AV_CODEC_FLAG_GLOBAL_HEADER;
    if ((r = avcodec_open2(c, codec, nullptr)) < 0) return failed("cannot start the encoder", r);

    state->stream = avformat_new_stream(state->format, nullptr);
    if (!state->stream) return failed("cannot make the container", 0);
    avcodec_parameters_from_context(state->stream->codecpar, c);
    state->stream->time_base = c->time_base;
    if (!settings.title.empty()) {
        av_dict_set(&state->stream->metadata, "title", settings.title.c_str(), 0);
        av_dict_set(&state->format->metadata, "title", settings.title.c_str(), 0);
    }

    AVDictionary* options = nullptr;
    if (path) {
        // Always as a file: a name such as "Party 23:00.wav" is not a protocol's address.
        const std::string file = "file:" + *path;
        if ((r = avio_open(&state->format->pb, file.c_str(), AVIO_FLAG_WRITE)) < 0)
            return failed("cannot write " + *path, r);
    } else {
        constexpr int kIoBuffer = 4096;
        auto* buffer = static_cast<std::uint8_t*>(av_malloc(kIoBuffer));
        state->sink = std::move(sink);
        state->format->pb =
            avio_alloc_context(buffer, kIoBuffer, 1, state.get(), nullptr, writeToSink, nullptr);
        if (!state->format->pb) {
            av_free(buffer);
            return failed("cannot make the stream's output", 0);
        }
        state->customIo = true;
        state->format->flags |= AVFMT_FLAG_CUSTOM_IO | AVFMT_FLAG_FLUSH_PACKETS;
        // A live mp3 stream is bare frames: no tag block in front, no seek table to come back to.
        if (settings.format == MixFormat::Mp3) {
            av_dict_set(&options, "id3v2_version", "0", 0);
            av_dict_set(&options, "write_xing", "0", 0);
        }
    }
    r = avformat_write_header(state->format, &options);
    av_dict_free(&options);
    if (r < 0) return failed("cannot write the stream's header", r);
    state->headerWritten = true;

    SwrContext* swr = nullptr;
    AVChannelLayout stereo{};
    av_channel_layout_default(&stereo, 2);
    r = swr_alloc_set_opts2(&swr, &c->ch_layout, c->sample_fmt, c->sample_rate, &stereo,
                            AV_SAMPLE_FMT_FLT, settings.inputRate, 0, nullptr);
    state->resampler.reset(swr);
    if (r < 0 || (r = swr_init(swr)) < 0) return failed("cannot convert the mix", r);

    state->frameSize = c->frame_size > 0 ? c->frame_size : 1024;
    state->fifo.reset(av_audio_fifo_alloc(c->sample_fmt, 2, state->frameSize * 4));
    state->frame.reset(av_frame_alloc());
    state->packet.reset(av_packet_alloc());
    if (!state->fifo || !state->frame || !state->packet) return failed("out of memory", 0);
    return state;
}

}  // namespace

std::unique_ptr<MixEncoder> MixEncoder::toFile(const EncoderSettings& settings,
                                               const std::string& path, std::string& error) {
    auto state = openState(settings, &path, {}, error);
    if (!state) return nullptr;
    return std::unique_ptr<MixEncoder>(new MixEncoder(std::move(state)));
}

std::unique_ptr<MixEncoder> MixEncoder::toSink(const EncoderSettings& settings, Sink sink,
                                               std::string& error) {
    auto state = openState(settings, nullptr, std::move(sink), error);
    if (!state) return nullptr;
    return std::unique_ptr<MixEncoder>(new MixEncoder(std::move(state)));
}

bool MixEncoder::write(const float* interleaved, int frames) {
    if (!error_.empty() || finished_) return false;
    if (frames <= 0) return true;
    State& s = *state_;
    AVCodecContext* c = s.codec.get();
    const int room = swr_get_out_samples(s.resampler.get(), frames);
    if (room < 0) return fail("cannot convert the mix", room);
    std::uint8_t* out[2] = {nullptr, nullptr};
    int linesize = 0;
    int r = av_samples_alloc(out, &linesize, 2, room, c->sample_fmt, 0);
    if (r < 0) return fail("out of memory", r);
    const auto* in = reinterpret_cast<const std::uint8_t*>(interleaved);
    const int got = swr_convert(s.resampler.get(), out, room, &in, frames);
    if (got > 0) r = av_audio_fifo_write(s.fifo.get(), reinterpret_cast<void**>(out), got);
    av_freep(&out[0]);
    if (got < 0) return fail("cannot convert the mix", got);
    if (r < 0) return fail("out of memory", r);
    framesIn_ += frames;
    return encodeFrames(false);
}

bool MixEncoder::encodeFrames(bool flush) {
    State& s = *state_;
    AVCodecContext* c = s.codec.get();
    const bool smallLast =
        c->codec->capabilities & (AV_CODEC_CAP_SMALL_LAST_FRAME | AV_CODEC_CAP_VARIABLE_FRAME_SIZE);
    for (;;) {
        const int waiting = av_audio_fifo_size(s.fifo.get());
        int take = std::min(waiting, s.frameSize);
        if (waiting < s.frameSize && !(flush && waiting > 0 && smallLast)) take = 0;
        AVFrame* f = nullptr;
        if (take > 0) {
            f = s.frame.get();
            av_frame_unref(f);
            f->nb_samples = take;
            f->format = c->sample_fmt;
            f->sample_rate = c->sample_rate;
            av_channel_layout_copy(&f->ch_layout, &c->ch_layout);
            int r = av_frame_get_buffer(f, 0);
            if (r < 0) return fail("out of memory", r);
            av_audio_fifo_read(s.fifo.get(), reinterpret_cast<void**>(f->data), take);
            f->pts = s.nextPts;
            s.nextPts += take;
        } else if (!flush) {
            return true;
        }
        int r = avcodec_send_frame(c, f);
        if (r < 0 && r != AVERROR_EOF) return fail("cannot encode the mix", r);
        for (;;) {
            AVPacket* p = s.packet.get();
            r = avcodec_receive_packet(c, p);
            if (r == AVERROR(EAGAIN) || r == AVERROR_EOF) break;
            if (r < 0) return fail("cannot encode the mix", r);
            av_packet_rescale_ts(p, c->time_base, s.stream->time_base);
            p->stream_index = s.stream->index;
            r = av_write_frame(s.format, p);
            av_packet_unref(p);
            if (r < 0 || s.format->pb->error < 0)
                return fail("cannot write", r < 0 ? r : s.format->pb->error);
        }
        if (!f) return true;  // flushed
    }
}

bool MixEncoder::finish() {
    if (finished_) return error_.empty();
    finished_ = true;
    const bool encoded = error_.empty() && encodeFrames(true);
    // The trailer even after a failure: it puts the right sizes in a file's header, so what was
    // written before a full disk still plays.
    const int r = av_write_trailer(state_->format);
    if (state_->format->pb) avio_flush(state_->format->pb);
    if (r < 0) return fail("cannot finish the file", r);
    return encoded;
}

}  // namespace vantrel::broadcast
