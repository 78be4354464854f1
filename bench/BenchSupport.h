#pragma once
// What the benchmarks that run the real game share: CPU time, and a temporary game folder
// with the built game's pictures and sounds and a windowed 1024 x 768 Options.ini.
#include <sys/resource.h>
#include <unistd.h>

#include <filesystem>
#include <fstream>

// CPU seconds of every thread of the process so far.
inline double CpuSeconds() {
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return double(usage.ru_utime.tv_sec + usage.ru_stime.tv_sec) +
           double(usage.ru_utime.tv_usec + usage.ru_stime.tv_usec) / 1e6;
}

// A temporary folder that is the working directory while the object lives: links to the
// build's gfx/ and sfx/ (unless withAssets is off) and the settings of a window, 1024 x 768
// unless another size is given (full screen when fullScreen is set).
class TBenchGameFolder {
public:
    explicit TBenchGameFolder(bool withAssets = true, int sfxVolume = 70, int musicVolume = 100, int width = 1024,
                              int height = 768, bool fullScreen = false) {
        namespace fs = std::filesystem;
        char pattern[] = "/tmp/tavrik-bench-XXXXXX";
        folder = mkdtemp(pattern);
        fs::path game = fs::canonical("/proc/self/exe").parent_path() / "../game";
        if (withAssets) {
            for (const char* assets : {"gfx", "sfx"})
                if (fs::exists(game / assets)) fs::create_directory_symlink(fs::canonical(game / assets), folder / assets);
        }
        fs::current_path(folder);
        std::ofstream("Options.ini") << "GFX X=" << width << "\r\nGFX Y=" << height << "\r\nGFX Full="
                                     << (fullScreen ? 1 : 0) << "\r\nGFX Camera Delay=0\r\n"
                                     << "SoundEffectVolume=" << sfxVolume << "\r\nMusicVolume=" << musicVolume
                                     << "\r\nOnlineHighscore=0\r\nPlayer=Bench\r\n";
    }
    ~TBenchGameFolder() {
        std::error_code ignored;
        std::filesystem::current_path("/", ignored);
        std::filesystem::remove_all(folder, ignored);
    }
    TBenchGameFolder(const TBenchGameFolder&) = delete;
    TBenchGameFolder& operator=(const TBenchGameFolder&) = delete;

    std::filesystem::path folder;
};
