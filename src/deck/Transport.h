#pragma once
// One deck's transport buttons: play, pause (one latch shared by both decks), stop and the
// 5-second seeks, and the time label's click.
namespace vantrel {

class Deck;

class Transport {
public:
    explicit Transport(Deck& deck) : deck_(deck) {}

    void play();
    void pause();
    void stop();
    void rewind();
    void fastForward();
    // Elapsed or remaining time: one setting for both labels; they follow at their next tick.
    void toggleTimeDisplay();

private:
    Deck& deck_;
};

}  // namespace vantrel
