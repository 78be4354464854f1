// TEMPORARY: weak stand-ins until the clock and file layers land on main.
#include <chrono>
#include <cstdio>
#include <string>

#include "platform/Files.h"
#include "platform/Input.h"
#include "platform/TAudioByteStream.h"

__attribute__((weak)) int MilliClock() {
    return int(std::chrono::duration_cast<std::chrono::milliseconds>(
                   std::chrono::steady_clock::now().time_since_epoch())
                   .count());
}
__attribute__((weak)) void BlockAlarmSignal() {}
__attribute__((weak)) std::shared_ptr<TStream> OpenReadStream(const std::string& path) {
    FILE* f = std::fopen(path.c_str(), "rb");
    if (!f) return nullptr;
    std::string bytes;
    char buf[65536];
    size_t n;
    while ((n = std::fread(buf, 1, sizeof buf, f)) > 0) bytes.append(buf, n);
    std::fclose(f);
    return std::make_shared<TAudioByteStream>(bytes);
}
