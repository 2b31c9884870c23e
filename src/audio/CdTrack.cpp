#include "audio/CdTrack.h"

#include <cdio/cdio.h>
// After cdio.h, which it needs.
#include <cdio/cd_types.h>
#include <cdio/logging.h>
#include <cdio/paranoia/cdda.h>
#include <cdio/paranoia/paranoia.h>
#include <sys/stat.h>

extern "C" {
#include <libavutil/channel_layout.h>
#include <libavutil/opt.h>
#include <libswresample/swresample.h>
}

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <mutex>

#include "audio/Decoder.h"

namespace vantrel::audio {

namespace {

constexpr int kCdRate = 44100;
constexpr int kFramesPerSector = CDIO_CD_FRAMESIZE_RAW / 4;  // 588 stereo 16-bit frames
constexpr int kSectorsPerSecond = 75;
// Retries of paranoia's own for one sector before it gives up on it.
constexpr int kSectorRetries = 8;
// This many sectors in a row that would not read (a second) mean the disc cannot be read on:
// the track ends as after a decode error. A scratch shorter than that is played through.
constexpr int kMaxUnreadSectors = kSectorsPerSecond;

// libcdio reports to stderr by default, and stops the process on its "assert" level; the
// player says what went wrong its own way.
void quietLog(cdio_log_level_t, const char*) {}

void quietenLibrary() {
    static std::once_flag once;
    std::call_once(once, [] { cdio_log_set_handler(quietLog); });
}

struct CdioCloser {
    void operator()(CdIo_t* p) const { cdio_destroy(p); }
};
using CdioPtr = std::unique_ptr<CdIo_t, CdioCloser>;
struct DriveCloser {
    void operator()(cdrom_drive_t* d) const { cdio_cddap_close_no_free_cdio(d); }
};
using DrivePtr = std::unique_ptr<cdrom_drive_t, DriveCloser>;
struct ParanoiaFree {
    void operator()(cdrom_paranoia_t* p) const { cdio_paranoia_free(p); }
};
using ParanoiaPtr = std::unique_ptr<cdrom_paranoia_t, ParanoiaFree>;
struct SwrFree {
    void operator()(SwrContext* s) const { swr_free(&s); }
};
using SwrPtr = std::unique_ptr<SwrContext, SwrFree>;

CdioPtr openSource(const std::string& source) {
    quietenLibrary();
    return CdioPtr(cdio_open(source.c_str(), DRIVER_UNKNOWN));
}

// Paranoia's callback has no room for the caller's data; each reading thread counts its own.
thread_local int tlsReadErrors = 0;
void countReadErrors(long, paranoia_cb_mode_t mode) {
    if (mode == PARANOIA_CB_READERR) ++tlsReadErrors;
}

class CdTrackDecoder final : public Decoder {
public:
    bool open(const CdTrackName& name, int outputRate) {
        cdio_ = openSource(name.source);
        if (!cdio_) return false;
        const track_t first = cdio_get_first_track_num(cdio_.get());
        const track_t count = cdio_get_num_tracks(cdio_.get());
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) return false;
        if (name.track < first || name.track >= first + count) return false;
        const auto t = track_t(name.track);
        if (cdio_get_track_format(cdio_.get(), t) != TRACK_FORMAT_AUDIO) return false;
        firstSector_ = cdio_get_track_lsn(cdio_.get(), t);
        const lsn_t last = cdio_get_track_last_lsn(cdio_.get(), t);
        if (firstSector_ == CDIO_INVALID_LSN || last == CDIO_INVALID_LSN || last < firstSector_)
            return false;
        sectors_ = last - firstSector_ + 1;

        drive_.reset(cdio_cddap_identify_cdio(cdio_.get(), CDDA_MESSAGE_FORGETIT, nullptr));
        if (!drive_ || cdio_cddap_open(drive_.get()) != 0) return false;
        paranoia_.reset(cdio_paranoia_init(drive_.get()));
        if (!paranoia_) return false;
        // Every check but the one that would retry a bad sector for ever.
        cdio_paranoia_modeset(paranoia_.get(), PARANOIA_MODE_FULL ^ PARANOIA_MODE_NEVERSKIP);

        outputRate_ = outputRate;
        if (outputRate != kCdRate) {
            SwrContext* swr = nullptr;
            AVChannelLayout stereo = AV_CHANNEL_LAYOUT_STEREO;
            if (swr_alloc_set_opts2(&swr, &stereo, AV_SAMPLE_FMT_FLT, outputRate, &stereo,
                                    AV_SAMPLE_FMT_S16, kCdRate, 0, nullptr) < 0)
                return false;
            resampler_.reset(swr);
            if (swr_init(swr) < 0) return false;
        }
        // The table of contents counts 75 sectors a second.
        const std::int64_t cdFrames = std::int64_t(sectors_) * kFramesPerSector;
        lengthMs_ = int(std::int64_t(sectors_) * 1000 / kSectorsPerSecond);
        containerSeconds_ = sectors_ / kSectorsPerSecond;
        lengthFrames_ = cdFrames * outputRate / kCdRate;
        pending_.reserve(kFramesPerSector * 2 * 2);
        // The first sector must read, or the track is not playable at all.
        return seekTo(0) && fillPending();
    }

protected:
    Read decode(float* out, int frames, int& got) override {
        got = 0;
        while (got < frames) {
            if (pendingAt_ >= pending_.size()) {
                if (nextSector_ >= sectors_) return got > 0 ? Read::Ok : Read::End;
                if (!fillPending()) return got > 0 ? Read::Ok : Read::Error;
                continue;
            }
            const std::size_t n = std::min<std::size_t>((pending_.size() - pendingAt_) / 2,
                                                        std::size_t(frames - got));
            std::memcpy(out + std::size_t(got) * 2, pending_.data() + pendingAt_,
                        n * 2 * sizeof(float));
            pendingAt_ += n * 2;
            got += int(n);
        }
        return Read::Ok;
    }

    bool seekTo(std::int64_t frame) override {
        const std::int64_t cdFrame = frame * kCdRate / outputRate_;
        const int sector = int(std::min<std::int64_t>(cdFrame / kFramesPerSector, sectors_));
        if (cdio_paranoia_seek(paranoia_.get(), firstSector_ + sector, SEEK_SET) < 0) return false;
        nextSector_ = sector;
        pending_.clear();
        pendingAt_ = 0;
        if (resampler_) swr_init(resampler_.get());  // no tail of the old place
        // Within the sector, the frames before the target are dropped.
        skipFrames_ = int(cdFrame - std::int64_t(sector) * kFramesPerSector);
        return true;
    }

private:
    // Reads the next sector into pending_ (converted, resampled). False when the disc will not
    // give it.
    bool fillPending() {
        pending_.clear();
        pendingAt_ = 0;
        while (pending_.empty()) {
            if (nextSector_ >= sectors_) return true;
            tlsReadErrors = 0;
            const int16_t* samples =
                cdio_paranoia_read_limited(paranoia_.get(), countReadErrors, kSectorRetries);
            ++nextSector_;
            if (!samples) return false;
            unreadInARow_ = tlsReadErrors > 0 ? unreadInARow_ + 1 : 0;
            if (unreadInARow_ > kMaxUnreadSectors) return false;
            convert(samples);
        }
        return true;
    }

    void convert(const int16_t* samples) {
        int from = std::clamp(skipFrames_, 0, kFramesPerSector);
        skipFrames_ = 0;
        if (!resampler_) {
            for (int i = from * 2; i < kFramesPerSector * 2; ++i)
                pending_.push_back(float(samples[i]) / 32768.0f);
            return;
        }
        const int room = swr_get_out_samples(resampler_.get(), kFramesPerSector - from);
        if (room <= 0) return;
        pending_.resize(std::size_t(room) * 2);
        auto* outPlane = reinterpret_cast<uint8_t*>(pending_.data());
        const auto* inPlane = reinterpret_cast<const uint8_t*>(samples + from * 2);
        const int made =
            swr_convert(resampler_.get(), &outPlane, room, &inPlane, kFramesPerSector - from);
        pending_.resize(std::size_t(std::max(made, 0)) * 2);
    }

    // Declared in this order so that paranoia goes before the drive and the drive before the
    // disc it reads.
    CdioPtr cdio_;
    DrivePtr drive_;
    ParanoiaPtr paranoia_;
    SwrPtr resampler_;
    lsn_t firstSector_ = 0;
    int sectors_ = 0;
    int nextSector_ = 0;  // from the track's start
    int skipFrames_ = 0;
    int unreadInARow_ = 0;
    std::vector<float> pending_;  // interleaved stereo at the output rate
    std::size_t pendingAt_ = 0;
};

}  // namespace

CdTrackName cdTrackOf(const std::string& path) {
    const std::size_t slash = path.rfind('/');
    if (slash == std::string::npos || slash == 0) return {};
    const std::string name = path.substr(slash + 1);
    // "Track" + one to three digits + ".cda"
    if (name.size() < 10 || name.compare(0, 5, "Track") != 0 ||
        name.compare(name.size() - 4, 4, ".cda") != 0)
        return {};
    const std::string digits = name.substr(5, name.size() - 9);
    if (digits.empty() || digits.size() > 3 ||
        !std::all_of(digits.begin(), digits.end(), [](char c) { return c >= '0' && c <= '9'; }))
        return {};
    const int track = std::atoi(digits.c_str());
    if (track < 1 || track > 99) return {};
    std::string source = path.substr(0, slash);
    struct stat st {};
    if (::stat(source.c_str(), &st) != 0 || S_ISDIR(st.st_mode)) return {};
    if (!S_ISBLK(st.st_mode) && !S_ISREG(st.st_mode)) return {};
    return {std::move(source), track};
}

std::unique_ptr<Decoder> openCdTrack(const CdTrackName& name, int outputRate) {
    if (name.track <= 0 || outputRate <= 0) return nullptr;
    auto decoder = std::make_unique<CdTrackDecoder>();
    if (!decoder->open(name, outputRate)) return nullptr;
    return decoder;
}

CdTracks listAudioCdTracks() {
    quietenLibrary();
    CdTracks out;
    std::vector<std::string> sources;
    if (const char* chosen = std::getenv(kCdDriveVariable); chosen && *chosen) {
        sources.emplace_back(chosen);
    } else if (char** drives = cdio_get_devices_with_cap(nullptr, CDIO_FS_AUDIO, false)) {
        for (char** d = drives; *d; ++d) sources.emplace_back(*d);
        cdio_free_device_list(drives);
    }
    for (const std::string& source : sources) {
        const CdioPtr cdio = openSource(source);
        if (!cdio) continue;
        const track_t first = cdio_get_first_track_num(cdio.get());
        const track_t count = cdio_get_num_tracks(cdio.get());
        if (first == CDIO_INVALID_TRACK || count == CDIO_INVALID_TRACK) continue;
        for (int t = first; t < first + count; ++t) {
            if (cdio_get_track_format(cdio.get(), track_t(t)) != TRACK_FORMAT_AUDIO) continue;
            char name[32];  // room for any int, so the format cannot be cut short
            std::snprintf(name, sizeof name, "/Track%02d.cda", t);
            out.paths.push_back(source + name);
        }
        if (out.paths.empty()) continue;
        out.source = source;
        break;
    }
    return out;
}

}  // namespace vantrel::audio
