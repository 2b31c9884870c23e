#pragma once
// Threads the music cannot wait for (the render, the decks' workers) ask to run first-in,
// first-out, ahead of every ordinary thread, where the system allows it (a real-time limit, as
// audio groups have, or the capability).
namespace vantrel::audio {

// For the calling thread; false (and nothing changed) where it is not allowed.
bool runAheadOfOthers();

}  // namespace vantrel::audio
