#pragma once
// A tick timer: counts the polls at which at least one of its periods had passed, and the
// whole periods passed.

// A 60 Hz (or any rate) tick counter advanced by the event poll.
class TTimer {
public:
    TTimer(int hz, int startMs) : hz(hz), start(startMs) {}
    // Advances the ticks by one when a new period has passed since the last update.
    void Update(int nowMs);
    // Ticks counted so far.
    int Ticks() const { return ticks; }
    // Whole periods passed since creation, as of the last update (all of them, however few
    // polls saw them).
    int Periods() const { return periods; }

private:
    // Ticks per second.
    int hz;
    // Clock value at creation.
    int start;
    // Whole periods seen at the last update.
    int periods = 0;
    // The count the game reads.
    int ticks = 0;
};
