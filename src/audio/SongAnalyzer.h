#pragma once
// Profiles songs (their audible ends and their loudness) away from the UI and the audio
// threads, each file once per run. With the offline engine a profile asked for is waited for,
// so an offline render comes out the same every time; it is still made ahead, on the second core.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>

#include "audio/SongProfile.h"

namespace vantrel::audio {

class Engine;

class SongAnalyzer {
public:
    explicit SongAnalyzer(Engine& engine);
    ~SongAnalyzer();
    SongAnalyzer(const SongAnalyzer&) = delete;
    SongAnalyzer& operator=(const SongAnalyzer&) = delete;

    // Asks for a song's profile; a file asked for before is not profiled again. `first`: before
    // any other still waiting (a song that already plays).
    void request(const std::string& path, bool first = false);
    // The profile once it is ready; nullopt before. Offline, waits for one asked for.
    std::optional<SongProfile> find(const std::string& path) const;

private:
    void workerLoop();

    const int rate_;
    const bool offline_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    mutable std::condition_variable ready_;
    std::deque<std::string> waiting_;
    std::unordered_map<std::string, std::optional<SongProfile>> songs_;  // nullopt: waiting
    bool quit_ = false;
    std::thread worker_;
};

}  // namespace vantrel::audio
