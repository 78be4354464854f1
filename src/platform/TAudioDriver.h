#pragma once
// The output thread: mixes blocks and writes them to the sound device.
#include <atomic>
#include <thread>

class TMixer;

// Owns the mixing thread. The thread opens ALSA's default device, else OSS "/dev/dsp",
// else writes nowhere; it then mixes one block after another, paced by the device's
// blocking writes and never running far ahead of the real clock.
class TAudioDriver {
public:
    explicit TAudioDriver(TMixer& mixer);
    TAudioDriver(const TAudioDriver&) = delete;
    TAudioDriver& operator=(const TAudioDriver&) = delete;

    // Starts the thread unless it runs; openDevice 0 keeps it silent from the start.
    void Start(int openDevice);
    // Clears the run flag; up to five checks ~20 ms apart whether the thread has ended;
    // joins it if so, else leaves it to end by itself.
    void Stop();
    // Waits up to timeoutMs for a thread left running by Stop to end; 1 once none runs.
    int WaitUntilIdle(int timeoutMs);
    // The output in use (AudioDriverKind values).
    int Output() const;

private:
    // The thread's body.
    void Run(int openDevice);

    TMixer& mixer_;                  // what the thread mixes
    std::thread thread_;             // the mixing thread (not joinable when none was started)
    std::atomic<int> run_{0};        // cleared to ask the thread to end
    std::atomic<int> done_{1};       // set by the thread as its last act
    std::atomic<int> output_{0};     // AudioDriverKind of the running thread
};
