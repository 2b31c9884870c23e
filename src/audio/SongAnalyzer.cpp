#include "audio/SongAnalyzer.h"

#include "audio/Engine.h"

namespace vantrel::audio {

SongAnalyzer::SongAnalyzer(Engine& engine) : rate_(engine.sampleRate()) {
    if (engine.outputKind() != OutputKind::Offline) worker_ = std::thread([this] { workerLoop(); });
}

SongAnalyzer::~SongAnalyzer() {
    {
        std::lock_guard lock(mutex_);
        quit_ = true;
    }
    wake_.notify_all();
    if (worker_.joinable()) worker_.join();
}

void SongAnalyzer::request(const std::string& path) {
    if (path.empty()) return;
    {
        std::lock_guard lock(mutex_);
        if (!songs_.try_emplace(path).second) return;
        if (worker_.joinable()) waiting_.push_back(path);
    }
    if (worker_.joinable()) {
        wake_.notify_all();
        return;
    }
    SongProfile profile = profileSong(path, rate_);
    std::lock_guard lock(mutex_);
    songs_[path] = std::move(profile);
}

std::optional<SongProfile> SongAnalyzer::find(const std::string& path) const {
    std::lock_guard lock(mutex_);
    const auto it = songs_.find(path);
    return it == songs_.end() ? std::nullopt : it->second;
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
    }
}

}  // namespace vantrel::audio
