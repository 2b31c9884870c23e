#include "audio/Decoder.h"

extern "C" {
#include <libavcodec/avcodec.h>
#include <libavformat/avformat.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <sys/stat.h>
#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>

#include "audio/CdTrack.h"
#include "audio/SongTagsFfmpeg.h"

namespace vantrel::audio {

Decoder::Read Decoder::read(float* out, int frames, int& got) {
    got = 0;
    const std::int64_t left = lengthFrames_ - position_;
    if (left <= 0 || frames <= 0) return left <= 0 ? Read::End : Read::Ok;
    const int want = int(std::min<std::int64_t>(frames, left));
    const Read r = decode(out, want, got);
    got = std::clamp(got, 0, want);
    position_ += got;
    if (r == Read::End && got > 0) return Read::Ok;
    return r;
}

bool Decoder::seek(std::int64_t frame) {
    frame = std::clamp<std::int64_t>(frame, 0, lengthFrames_);
    if (!seekTo(frame)) return false;
    position_ = frame;
    return true;
}

namespace {

struct FormatCloser {
    void operator()(AVFormatContext* c) const { avformat_close_input(&c); }
};
struct CodecFree {
    void operator()(AVCodecContext* c) const { avcodec_free_context(&c); }
};
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
struct PacketFree {
    void operator()(AVPacket* p) const { av_packet_free(&p); }
};
struct FrameFree {
    void operator()(AVFrame* f) const { av_frame_free(&f); }
};
using FormatPtr = std::unique_ptr<AVFormatContext, FormatCloser>;
using CodecPtr = std::unique_ptr<AVCodecContext, CodecFree>;
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;
using PacketPtr = std::unique_ptr<AVPacket, PacketFree>;
using FramePtr = std::unique_ptr<AVFrame, FrameFree>;

// Open failure codes.
constexpr int kMissing = kFileNotFound;
constexpr int kNotMedia = 2;
constexpr int kNoAudio = 3;
constexpr int kUndecodable = 4;
constexpr int kEmpty = 5;

// Isolated bad packets are concealed; a run of them means the rest of the file is garbage.
constexpr int kMaxConsecutiveErrors = 8;

// No recording has a rate above this. A header that claims one is broken, and the resampler's
// filter for it would take gigabytes.
constexpr int kMaxSourceRate = 768000;
// Output frames decoded and dropped before a seek target: two mp3 frames and then some.
constexpr std::int64_t kSeekPreroll = 4096;

bool playableRate(int rate) {
    return rate > 0 && rate <= kMaxSourceRate;
}

FormatPtr openFormat(const std::string& path, int& error, Probe probe = Probe::Thorough) {
    struct stat st {};
    if (::stat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode)) {
        error = kMissing;
        return nullptr;
    }
    if (st.st_size == 0) {
        error = kEmpty;
        return nullptr;
    }
    AVFormatContext* raw = nullptr;
    AVDictionary* options = nullptr;
    // Packets of 4 KB: what a wav's open scans for other codecs.
    if (probe == Probe::Glance) av_dict_set(&options, "max_probe_packets", "4", 0);
    const int opened = avformat_open_input(&raw, path.c_str(), nullptr, &options);
    av_dict_free(&options);
    if (opened < 0) {
        error = kNotMedia;
        return nullptr;
    }
    FormatPtr fmt(raw);
    if (avformat_find_stream_info(fmt.get(), nullptr) < 0) {
        error = kNotMedia;
        return nullptr;
    }
    return fmt;
}

bool exactContainerLength(AVCodecID id) {
    // Formats whose headers count samples: PCM in wav/aiff, FLAC's stream info, Ogg's granules.
    const AVCodecDescriptor* d = avcodec_descriptor_get(id);
    if (d && d->name && std::strncmp(d->name, "pcm_", 4) == 0) return true;
    return id == AV_CODEC_ID_FLAC || id == AV_CODEC_ID_VORBIS;
}

bool countByDecoding(AVCodecID id) {
    return id == AV_CODEC_ID_WMAV1 || id == AV_CODEC_ID_WMAV2 || id == AV_CODEC_ID_WMAPRO ||
           id == AV_CODEC_ID_WMALOSSLESS || id == AV_CODEC_ID_WMAVOICE;
}

// ReplayGain gains are relative to -18 LUFS; R128 gains (Q7.8 dB) to -23 LUFS.
std::optional<double> loudnessTag(const AVDictionary* tags) {
    if (const AVDictionaryEntry* e = av_dict_get(tags, "REPLAYGAIN_TRACK_GAIN", nullptr, 0)) {
        char* end = nullptr;
        const double gain = std::strtod(e->value, &end);
        if (end != e->value && std::isfinite(gain) && std::abs(gain) < 60) return -18.0 - gain;
    }
    if (const AVDictionaryEntry* e = av_dict_get(tags, "R128_TRACK_GAIN", nullptr, 0)) {
        char* end = nullptr;
        const long q = std::strtol(e->value, &end, 10);
        if (end != e->value && *end == '\0' && q > -32768 && q < 32768) return -23.0 - q / 256.0;
    }
    return std::nullopt;
}

// The container's own duration in whole seconds, truncated: what its header tells at a glance.
int durationSeconds(const AVFormatContext* fmt, int stream) {
    std::int64_t us = fmt->duration;
    const AVStream* st = fmt->streams[stream];
    if (us == AV_NOPTS_VALUE || us <= 0) {
        if (st->duration == AV_NOPTS_VALUE || st->duration <= 0) return 0;
        us = av_rescale_q(st->duration, st->time_base, AVRational{1, AV_TIME_BASE});
    }
    return int(std::min<std::int64_t>(us / AV_TIME_BASE, INT32_MAX));
}

class FfmpegDecoder final : public Decoder {
public:
    int open(const std::string& path, int outputRate, Probe probe) {
        path_ = path;
        outputRate_ = outputRate;
        probe_ = probe;
        int error = 0;
        fmt_ = openFormat(path, error, probe);
        if (!fmt_) return error;
        stream_ = av_find_best_stream(fmt_.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
        if (stream_ < 0) return kNoAudio;
        containerSeconds_ = durationSeconds(fmt_.get(), stream_);
        for (unsigned i = 0; i < fmt_->nb_streams; ++i)
            if (int(i) != stream_) fmt_->streams[i]->discard = AVDISCARD_ALL;
        AVStream* st = fmt_->streams[stream_];
        const AVCodec* codec = avcodec_find_decoder(st->codecpar->codec_id);
        if (!codec || !playableRate(st->codecpar->sample_rate)) return kNoAudio;
        codec_.reset(avcodec_alloc_context3(codec));
        if (!codec_ || avcodec_parameters_to_context(codec_.get(), st->codecpar) < 0)
            return kNoAudio;
        codec_->pkt_timebase = st->time_base;
        if (avcodec_open2(codec_.get(), codec, nullptr) < 0) return kNoAudio;
        pkt_.reset(av_packet_alloc());
        frame_.reset(av_frame_alloc());
        sourceRate_ = st->codecpar->sample_rate;

        std::int64_t samples = -1;
        if (exactContainerLength(st->codecpar->codec_id) && st->duration > 0 &&
            fmt_->duration_estimation_method != AVFMT_DURATION_FROM_BITRATE) {
            samples = av_rescale_q(st->duration, st->time_base, AVRational{1, sourceRate_});
            if (st->codecpar->block_align > 0 && fmt_->pb) {
                // A cut wav/aiff still claims its full size; believe the bytes that are there.
                const std::int64_t size = avio_size(fmt_->pb);
                const std::int64_t start = firstPacketPos();
                if (size > 0 && start >= 0)
                    samples = std::min(samples, (size - start) / st->codecpar->block_align);
            }
            // Vorbis and FLAC can come up a few frames short of their header; pad those
            // with silence rather than shorten a length the header got right.
            padLimit_ = 4096;
        } else if (countByDecoding(st->codecpar->codec_id)) {
            samples = decodedSamples();
            // Their timestamps are as rough as their durations: count up to a seek target too.
            seekByDecoding_ = true;
        } else {
            samples = scanSamples();
            if (samples <= 0) {
                if (!rewind()) return kUndecodable;
                samples = decodedSamples();
            }
        }
        if (!rewind()) return kUndecodable;
        // A rewind may have opened the file again, and the old stream with it is gone.
        st = fmt_->streams[stream_];
        if (samples <= 0) return kEmpty;
        lengthMs_ = int(std::min<std::int64_t>(std::llround(samples * 1000.0 / sourceRate_),
                                               std::int64_t(INT32_MAX)));
        lengthFrames_ = std::llround(double(samples) * outputRate_ / sourceRate_);
        taggedLoudness_ = loudnessTag(st->metadata);
        if (!taggedLoudness_) taggedLoudness_ = loudnessTag(fmt_->metadata);
        tags_ = tagsOf(fmt_.get(), stream_);
        // The first audio must decode, or the file is not playable at all.
        if (!refill() || pending_.empty()) return kUndecodable;
        return 0;
    }

protected:
    Read decode(float* out, int frames, int& got) override {
        got = 0;
        while (got < frames) {
            if (pendingAt_ < pending_.size()) {
                const int n =
                    int(std::min<size_t>((pending_.size() - pendingAt_) / 2, size_t(frames - got)));
                std::memcpy(out + size_t(got) * 2, pending_.data() + pendingAt_,
                            size_t(n) * 2 * sizeof(float));
                pendingAt_ += size_t(n) * 2;
                got += n;
                continue;
            }
            if (failed_) return got ? Read::Ok : Read::Error;
            if (!refill()) {
                if (failed_) return got ? Read::Ok : Read::Error;
                // A stream a little short of its exact header: pad up to the measured length.
                const std::int64_t missing = lengthFrames_ - position() - got;
                if (missing > 0 && missing <= padLimit_) {
                    const int n = int(std::min<std::int64_t>(missing, frames - got));
                    std::fill(out + size_t(got) * 2, out + size_t(got + n) * 2, 0.0f);
                    got += n;
                    return Read::Ok;
                }
                return got ? Read::Ok : Read::End;
            }
        }
        return Read::Ok;
    }

    bool seekTo(std::int64_t frame) override {
        AVStream* st = fmt_->streams[stream_];
        const std::int64_t startTs = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        // Land a little early: an mp3 frame borrows bits from the ones before it, and a codec's
        // first frame after a flush (and the resampler's) is only half-formed. What comes
        // before the frame asked for is dropped once its timestamp is known.
        const std::int64_t ts =
            startTs + av_rescale_q(std::max<std::int64_t>(0, frame - kSeekPreroll),
                                   AVRational{1, outputRate_}, st->time_base);
        if (frame == 0) return rewind();
        if (seekByDecoding_ || av_seek_frame(fmt_.get(), stream_, ts, AVSEEK_FLAG_BACKWARD) < 0) {
            // Some demuxers cannot seek: decode from the start and drop what comes before.
            if (!rewind()) return false;
            discard_ = frame;
            align_ = false;
            return true;
        }
        resetDecoding();
        target_ = frame;
        align_ = true;
        return true;
    }

private:
    std::int64_t firstPacketPos() {
        std::int64_t pos = -1;
        while (av_read_frame(fmt_.get(), pkt_.get()) >= 0) {
            const bool ours = pkt_->stream_index == stream_;
            if (ours) pos = pkt_->pos;
            av_packet_unref(pkt_.get());
            if (ours) break;
        }
        return pos;
    }

    // Counts what the decoder really yields: for containers whose packet durations are only
    // nominal (asf frames are cut short by the encoder).
    std::int64_t decodedSamples() {
        std::int64_t total = 0;
        bool drained = false;
        int errors = 0;
        while (true) {
            const int r = avcodec_receive_frame(codec_.get(), frame_.get());
            if (r == 0) {
                total += frame_->nb_samples;
                av_frame_unref(frame_.get());
                continue;
            }
            if (r == AVERROR_EOF || drained) break;
            if (r != AVERROR(EAGAIN) && ++errors > kMaxConsecutiveErrors) break;
            if (av_read_frame(fmt_.get(), pkt_.get()) < 0) {
                avcodec_send_packet(codec_.get(), nullptr);
                drained = true;
                continue;
            }
            if (pkt_->stream_index == stream_ &&
                avcodec_send_packet(codec_.get(), pkt_.get()) < 0 &&
                ++errors > kMaxConsecutiveErrors) {
                av_packet_unref(pkt_.get());
                break;
            }
            av_packet_unref(pkt_.get());
        }
        return total;
    }

    // Counts samples from the packets without decoding: durations less the gapless trims.
    std::int64_t scanSamples() {
        AVStream* st = fmt_->streams[stream_];
        std::int64_t total = 0, skipped = 0;
        while (av_read_frame(fmt_.get(), pkt_.get()) >= 0) {
            if (pkt_->stream_index == stream_) {
                total += pkt_->duration;
                size_t size = 0;
                const uint8_t* side =
                    av_packet_get_side_data(pkt_.get(), AV_PKT_DATA_SKIP_SAMPLES, &size);
                if (side && size >= 8) {
                    std::uint32_t a, b;
                    std::memcpy(&a, side, 4);
                    std::memcpy(&b, side + 4, 4);
                    skipped += std::int64_t(a) + std::int64_t(b);
                }
            }
            av_packet_unref(pkt_.get());
        }
        const std::int64_t samples = av_rescale_q(total, st->time_base, AVRational{1, sourceRate_});
        return samples - skipped;
    }

    bool rewind() {
        AVStream* st = fmt_->streams[stream_];
        const std::int64_t startTs = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        if (av_seek_frame(fmt_.get(), stream_, startTs, AVSEEK_FLAG_BACKWARD) < 0 &&
            avformat_seek_file(fmt_.get(), -1, INT64_MIN, 0, INT64_MAX, 0) < 0) {
            // Reopen: the only sure way back to the start of some streams.
            int error = 0;
            FormatPtr again = openFormat(path_, error, probe_);
            if (!again || int(again->nb_streams) <= stream_) return false;
            for (unsigned i = 0; i < again->nb_streams; ++i)
                if (int(i) != stream_) again->streams[i]->discard = AVDISCARD_ALL;
            fmt_ = std::move(again);
        }
        resetDecoding();
        align_ = false;
        discard_ = 0;
        return true;
    }

    void resetDecoding() {
        avcodec_flush_buffers(codec_.get());
        swr_.reset();
        pending_.clear();
        pendingAt_ = 0;
        demuxEnd_ = codecEnd_ = failed_ = false;
        errors_ = 0;
    }

    bool configureResampler(const AVFrame* f) {
        swr_.reset();
        const int inChannels = f->ch_layout.nb_channels;
        if (inChannels <= 0 || !playableRate(f->sample_rate)) return false;
        AVChannelLayout out{};
        av_channel_layout_default(&out, inChannels == 1 ? 1 : 2);
        AVChannelLayout in{};
        if (f->ch_layout.order == AV_CHANNEL_ORDER_UNSPEC)
            av_channel_layout_default(&in, inChannels);
        else
            av_channel_layout_copy(&in, &f->ch_layout);
        SwrContext* raw = nullptr;
        const int r = swr_alloc_set_opts2(&raw, &out, AV_SAMPLE_FMT_FLT, outputRate_, &in,
                                          AVSampleFormat(f->format), f->sample_rate, 0, nullptr);
        av_channel_layout_uninit(&in);
        if (r < 0 || !raw) return false;
        SwrPtr swr(raw);
        if (swr_init(swr.get()) < 0) return false;
        swr_ = std::move(swr);
        swrRate_ = f->sample_rate;
        swrFormat_ = f->format;
        swrChannels_ = inChannels;
        outChannels_ = inChannels == 1 ? 1 : 2;
        return true;
    }

    // Appends resampled stereo frames to pending_; `f` null flushes the resampler.
    bool convert(const AVFrame* f) {
        if (f && (!swr_ || f->sample_rate != swrRate_ || f->format != swrFormat_ ||
                  f->ch_layout.nb_channels != swrChannels_)) {
            if (swr_) convert(nullptr);
            if (!configureResampler(f)) return false;
        }
        if (!swr_) return true;
        const int inSamples = f ? f->nb_samples : 0;
        const int cap = swr_get_out_samples(swr_.get(), inSamples) + 16;
        if (cap <= 0) return true;
        scratch_.resize(size_t(cap) * size_t(outChannels_));
        uint8_t* outPlanes[1] = {reinterpret_cast<uint8_t*>(scratch_.data())};
        const int n =
            swr_convert(swr_.get(), outPlanes, cap,
                        f ? const_cast<const uint8_t**>(f->extended_data) : nullptr, inSamples);
        if (n <= 0) return n == 0;
        int from = 0;
        if (discard_ > 0) {
            const int drop = int(std::min<std::int64_t>(discard_, n));
            discard_ -= drop;
            from = drop;
        }
        if (pendingAt_ >= pending_.size()) {
            pending_.clear();
            pendingAt_ = 0;
        }
        const size_t base = pending_.size();
        pending_.resize(base + size_t(n - from) * 2);
        float* dst = pending_.data() + base;
        if (outChannels_ == 1) {
            for (int i = from; i < n; ++i) {
                *dst++ = scratch_[size_t(i)];
                *dst++ = scratch_[size_t(i)];
            }
        } else {
            std::memcpy(dst, scratch_.data() + size_t(from) * 2,
                        size_t(n - from) * 2 * sizeof(float));
        }
        return true;
    }

    // After a seek the demuxer lands on a packet boundary before the target; the first
    // timestamped frame tells how much to drop to reach the exact frame.
    void alignTo(const AVFrame* f) {
        align_ = false;
        const std::int64_t ts = f->best_effort_timestamp;
        if (ts == AV_NOPTS_VALUE) return;
        AVStream* st = fmt_->streams[stream_];
        const std::int64_t startTs = st->start_time == AV_NOPTS_VALUE ? 0 : st->start_time;
        const std::int64_t at =
            av_rescale_q(ts - startTs, st->time_base, AVRational{1, outputRate_});
        discard_ = std::max<std::int64_t>(0, target_ - at);
    }

    // Decodes until some frames are pending. False at the end of the stream or on failure.
    bool refill() {
        while (pendingAt_ >= pending_.size()) {
            if (codecEnd_) return false;
            const int r = avcodec_receive_frame(codec_.get(), frame_.get());
            if (r == 0) {
                errors_ = 0;
                if (align_) alignTo(frame_.get());
                const bool ok = convert(frame_.get());
                av_frame_unref(frame_.get());
                if (!ok) {
                    failed_ = true;
                    return false;
                }
                continue;
            }
            if (r == AVERROR_EOF) {
                convert(nullptr);
                codecEnd_ = true;
                continue;
            }
            if (r != AVERROR(EAGAIN)) {
                if (++errors_ > kMaxConsecutiveErrors) {
                    failed_ = true;
                    return false;
                }
                continue;
            }
            if (demuxEnd_) {
                // The decoder wants input after the drain packet: it is done.
                convert(nullptr);
                codecEnd_ = true;
                continue;
            }
            const int rr = av_read_frame(fmt_.get(), pkt_.get());
            if (rr < 0) {
                // End of file, or a demuxer that cannot go on (cut or garbled file): drain.
                demuxEnd_ = true;
                avcodec_send_packet(codec_.get(), nullptr);
                continue;
            }
            if (pkt_->stream_index != stream_) {
                av_packet_unref(pkt_.get());
                continue;
            }
            const int s = avcodec_send_packet(codec_.get(), pkt_.get());
            av_packet_unref(pkt_.get());
            if (s < 0 && s != AVERROR(EAGAIN) && ++errors_ > kMaxConsecutiveErrors) {
                failed_ = true;
                return false;
            }
        }
        return true;
    }

    std::string path_;
    Probe probe_ = Probe::Thorough;
    FormatPtr fmt_;
    CodecPtr codec_;
    SwrPtr swr_;
    PacketPtr pkt_;
    FramePtr frame_;
    int stream_ = -1;
    int sourceRate_ = 0;
    int swrRate_ = 0, swrFormat_ = -1, swrChannels_ = 0, outChannels_ = 2;
    std::vector<float> pending_;  // interleaved stereo at the output rate
    size_t pendingAt_ = 0;
    std::vector<float> scratch_;
    bool demuxEnd_ = false, codecEnd_ = false, failed_ = false;
    std::int64_t padLimit_ = 0;
    bool seekByDecoding_ = false;
    int errors_ = 0;
    bool align_ = false;
    std::int64_t target_ = 0;
    std::int64_t discard_ = 0;
};

}  // namespace

OpenResult openDecoder(const std::string& path, int outputRate, Probe probe) {
    av_log_set_level(AV_LOG_QUIET);
    // A CD track is no file: its drive or image reads it.
    if (const CdTrackName track = cdTrackOf(path); track.track > 0) {
        OpenResult r;
        r.decoder = openCdTrack(track, outputRate);
        r.error = r.decoder ? 0 : kUndecodable;
        return r;
    }
    auto d = std::make_unique<FfmpegDecoder>();
    OpenResult r;
    r.error = d->open(path, outputRate, probe);
    if (r.error == 0) r.decoder = std::move(d);
    return r;
}

int probeDurationSeconds(const std::string& path) {
    av_log_set_level(AV_LOG_QUIET);
    if (const CdTrackName track = cdTrackOf(path); track.track > 0) {
        const std::unique_ptr<Decoder> d = openCdTrack(track, 44100);
        return d ? d->containerSeconds() : -1;
    }
    int error = 0;
    FormatPtr fmt = openFormat(path, error);
    if (!fmt) return -1;
    const int idx = av_find_best_stream(fmt.get(), AVMEDIA_TYPE_AUDIO, -1, -1, nullptr, 0);
    return idx < 0 ? -1 : durationSeconds(fmt.get(), idx);
}

bool decodeWhole(const std::string& path, int outputRate, std::vector<float>& interleaved) {
    interleaved.clear();
    OpenResult r = openDecoder(path, outputRate);
    if (!r.decoder) return false;
    const std::int64_t frames = r.decoder->lengthFrames();
    interleaved.resize(size_t(frames) * 2);
    std::int64_t at = 0;
    while (at < frames) {
        int got = 0;
        const int want = int(std::min<std::int64_t>(frames - at, 1 << 16));
        if (r.decoder->read(interleaved.data() + at * 2, want, got) != Decoder::Read::Ok ||
            got <= 0)
            break;
        at += got;
    }
    interleaved.resize(size_t(at) * 2);
    return at > 0;
}

}  // namespace vantrel::audio
