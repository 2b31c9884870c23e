#include "audio/SongAnalyzer.h"

#include <algorithm>

#include "audio/Engine.h"

namespace vantrel::audio {

SongAnalyzer::SongAnalyzer(Engine& engine)
    : rate_(engine.sampleRate()), offline_(engine.outputKind() == OutputKind::Offline) {
    // Live, one worker leaves a core to the UI and the decoders; offline, the list's songs are
    // profiled two at a time. Which worker profiles a song changes nothing of its profile.
    const int count = offline_ ? 2 : 1;
    for (int i = 0; i < count; ++i) workers_.emplace_back([this] { workerLoop(); });
}

SongAnalyzer::~SongAnalyzer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    for (std::thread& worker : workers_) worker.join();
}

void SongAnalyzer::request(const std::string& path, bool first, unsigned parts) {
    if (path.empty()) return;
    {
        std::lock_guard lock(mutex_);
        const auto [known, added] = songs_.try_emplace(path);
        Song& song = known->second;
        const bool partsLater = !added && (parts & ~song.wanted) && song.profile;
        song.wanted |= parts;
        if (!added && !partsLater) {
            // A song still waiting is profiled with the parts wanted by then.
            const auto it = std::find(waiting_.begin(), waiting_.end(), path);
            if (!first || it == waiting_.end()) return;
            waiting_.erase(it);
        }
        first ? waiting_.push_front(path) : waiting_.push_back(path);
    }
    wake_.notify_all();
}

std::optional<SongProfile> SongAnalyzer::find(const std::string& path, unsigned parts) const {
    std::unique_lock lock(mutex_);
    const auto it = songs_.find(path);
    if (it == songs_.end()) return std::nullopt;
    // A reference, unlike an iterator, outlives the map growing meanwhile.
    const Song& song = it->second;
    if (offline_) ready_.wait(lock, [&] { return song.ready(parts); });
    // Live, a profile whose parts asked for later are still being found is given without them.
    return song.profile;
}

void SongAnalyzer::keep(Song& song, SongProfile profile) {
    // Two workers may find parts of one song when a part is asked for while it is profiled: a
    // profile with fewer parts does not replace one with more.
    if (!song.profile || (song.profile->parts & ~profile.parts) == 0)
        song.profile = std::move(profile);
}

void SongAnalyzer::workerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
        if (quit_) return;
        const std::string path = std::move(waiting_.front());
        waiting_.pop_front();
        Song& song = songs_[path];
        std::optional<SongProfile> known = song.profile;
        const unsigned parts = song.wanted;
        lock.unlock();
        // What starts the song is told before its beats are looked for, which take longest.
        const auto started = [&](const SongProfile& before) {
            std::lock_guard relock(mutex_);
            keep(songs_[path], before);
            ready_.notify_all();
        };
        SongProfile profile = known ? std::move(*known) : profileSong(path, rate_, parts, started);
        if (known) addProfileParts(path, rate_, parts, profile);
        lock.lock();
        Song& done = songs_[path];
        keep(done, std::move(profile));
        // A part was asked for while it was being profiled without it.
        if (!done.ready()) waiting_.push_back(path);
        ready_.notify_all();
    }
}

}  // namespace vantrel::audio
