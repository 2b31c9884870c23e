#include "audio/RealTime.h"

#include <pthread.h>
#include <sched.h>

namespace vantrel::audio {

bool runAheadOfOthers() {
    sched_param first{};
    first.sched_priority = 1;
    return pthread_setschedparam(pthread_self(), SCHED_FIFO, &first) == 0;
}

}  // namespace vantrel::audio
