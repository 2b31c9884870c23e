#pragma once
// Profiles songs (their audible ends, their loudness and, when asked, their beats) away from the UI
// and the audio threads, each file once per run. With the offline engine a profile asked for is
// waited for, so an offline render comes out the same every time; it is still made ahead, on the
// second core, and offline by two workers, as the render then waits for nothing else.
#include <condition_variable>
#include <deque>
#include <mutex>
#include <optional>
#include <string>
#include <thread>
#include <unordered_map>
#include <vector>

#include "audio/SongProfile.h"

namespace vantrel::audio {

class Engine;

class SongAnalyzer {
public:
    explicit SongAnalyzer(Engine& engine);
    ~SongAnalyzer();
    SongAnalyzer(const SongAnalyzer&) = delete;
    SongAnalyzer& operator=(const SongAnalyzer&) = delete;

    // Asks for a song's profile with `parts` (ProfileParts); a file asked for before is not
    // profiled again, but one profiled without a part has it found when it is asked for.
    // `first`: before any other still waiting (a song that already plays).
    void request(const std::string& path, bool first = false, unsigned parts = 0);
    // The profile once it is ready with those of `parts` that were asked for (by default all but
    // the beats, which only a fade's start needs); nullopt before. Offline, waits for one asked
    // for.
    std::optional<SongProfile> find(const std::string& path, unsigned parts = kOutroPart) const;

private:
    void workerLoop();

    const int rate_;
    const bool offline_;
    mutable std::mutex mutex_;
    std::condition_variable wake_;
    mutable std::condition_variable ready_;
    struct Song {
        std::optional<SongProfile> profile;  // nullopt: waiting
        unsigned wanted = 0;                 // ProfileParts
        bool ready(unsigned parts = ~0u) const {
            return profile && (profile->parts & wanted & parts) == (wanted & parts);
        }
    };
    static void keep(Song& song, SongProfile profile);
    std::deque<std::string> waiting_;
    std::unordered_map<std::string, Song> songs_;
    bool quit_ = false;
    std::vector<std::thread> workers_;
};

}  // namespace vantrel::audio
