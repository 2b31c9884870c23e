#include "audio/SongAnalyzer.h"

#include <algorithm>

#include "audio/Engine.h"

namespace vantrel::audio {

SongAnalyzer::SongAnalyzer(Engine& engine)
    : rate_(engine.sampleRate()),
      offline_(engine.outputKind() == OutputKind::Offline),
      worker_([this] { workerLoop(); }) {}

SongAnalyzer::~SongAnalyzer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void SongAnalyzer::request(const std::string& path, bool first) {
    if (path.empty()) return;
    {
        std::lock_guard lock(mutex_);
        if (!songs_.try_emplace(path).second) {
            const auto it = std::find(waiting_.begin(), waiting_.end(), path);
            if (!first || it == waiting_.end()) return;
            waiting_.erase(it);
        }
        first ? waiting_.push_front(path) : waiting_.push_back(path);
    }
    wake_.notify_all();
}

std::optional<SongProfile> SongAnalyzer::find(const std::string& path) const {
    std::unique_lock lock(mutex_);
    const auto it = songs_.find(path);
    if (it == songs_.end()) return std::nullopt;
    // A reference, unlike an iterator, outlives the map growing meanwhile.
    const std::optional<SongProfile>& slot = it->second;
    if (offline_) ready_.wait(lock, [&] { return slot.has_value(); });
    return slot;
}

void SongAnalyzer::workerLoop() {
    std::unique_lock lock(mutex_);
    for (;;) {
        wake_.wait(lock, [this] { return quit_ || !waiting_.empty(); });
        if (quit_) return;
        const std::string path = std::move(waiting_.front());
        waiting_.pop_front();
        lock.unlock();
        SongProfile profile = profileSong(path, rate_);
        lock.lock();
        songs_[path] = std::move(profile);
        ready_.notify_all();
    }
}

}  // namespace vantrel::audio
