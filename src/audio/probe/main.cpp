// vantrel-probe: starts and stops the sound system once, for the program to watch from outside.
// Exit status 0: it starts. Anything else, a crash or an abort included: it does not.
#include <portaudio.h>

int main() {
    const bool started = Pa_Initialize() == paNoError;
    if (started) Pa_Terminate();
    return started ? 0 : 1;
}
