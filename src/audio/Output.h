#pragma once
// Where the engine's sound goes: the sound device, nowhere at real-time pace (no device), or
// into memory on demand (offline). Each calls the engine's render() as its own clock asks.
#include <functional>

namespace vantrel::audio {

class Output {
public:
    virtual ~Output() = default;

    // Starts calling render. False when this output cannot sound (no device).
    virtual bool start() = 0;
    // Stops calling render. False when a hung sound server still holds the teardown: it goes
    // on alone with this output, which the caller must then leave alive.
    virtual bool stop() = 0;
    // After a stop() that returned false: runs `then` once the teardown is done (at once when it
    // already is), on the thread that finished it. `then` may free this output.
    virtual void whenStopped(std::function<void()> then) { then(); }
    // A player is about to play: an output that lost its device tries it again.
    virtual void aboutToPlay() {}
};

}  // namespace vantrel::audio
