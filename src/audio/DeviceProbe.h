#pragma once
// Whether the sound system can start in this process at all. PortAudio's ALSA host aborts the
// whole process (a failed assertion while listing devices) when the ALSA configuration cannot
// be read, as for a user who may not read the sound server's folder. So the first start is
// tried by a helper program, vantrel-probe, beside the executable; if the helper dies, the
// program runs on the Null output instead of dying.
#include <atomic>

namespace vantrel::audio {

class DeviceProbe {
public:
    // False: not now. Asked anew before every start of the sound system (at launch, and every
    // two seconds or on Play while the device is gone), so a set-up repaired or a sound server
    // that answers again is found then. A helper that hangs (a server that does not
    // answer) is given up after 5 s.
    bool soundSystemStarts();
    // A probe still waiting for its helper gives up at once, and every later one too (quitting).
    void cancel() { cancelled_.store(true); }

private:
    std::atomic<bool> cancelled_{false};
};

}  // namespace vantrel::audio
