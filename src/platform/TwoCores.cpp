#include "platform/TwoCores.h"

#include <system_error>
#include <thread>

namespace {

// Pixels of the largest screen one core composes alone: Full HD.
constexpr long kOneCorePixels = 1920L * 1080L;

}  // namespace

bool WorthTwoCores(long pixels) {
    static const unsigned cores = std::thread::hardware_concurrency();
    return pixels > kOneCorePixels && cores >= 2;
}

void RunOnTwoCores(const std::function<void()>& other, const std::function<void()>& here) {
    std::thread second;
    try {
        second = std::thread(other);
    } catch (const std::system_error&) {
        other();  // no second thread to be had
    }
    here();
    if (second.joinable()) second.join();
}
