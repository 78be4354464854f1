// Pixel-exact overlap test: ImagesOverlap calls per second for pairs of rotated 64 x 64
// sprites whose bounding boxes overlap (split by whether their shapes hit, since a miss
// scans every shared row), and for pairs that the bounding boxes already keep apart.
// Needs no display:  build/bench/bench_overlap [seconds_per_workload]
#include <chrono>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <functional>
#include <vector>

#include "platform/Images.h"
#include "platform/TImage.h"
#include "platform/TPixmap.h"

namespace {

// A 64 x 64 sprite whose opaque pixels are where the predicate holds, anchored at its centre.
std::shared_ptr<TImage> Sprite(const std::function<bool(float, float)>& opaque) {
    auto p = std::make_shared<TPixmap>(64, 64, 6);
    for (int y = 0; y < 64; ++y)
        for (int x = 0; x < 64; ++x) {
            float dx = (x + 0.5f - 32) / 32, dy = (y + 0.5f - 32) / 32;
            p->SetPixelARGB(x, y, opaque(dx, dy) ? 0xFFC0C0C0u : 0x00000000u);
        }
    auto image = LoadImageFile(p, -1);
    CentreImageAnchor(image);
    return image;
}

struct Pair {
    float x1, y1, r1, x2, y2, r2;
};

double NowSeconds() {
    return std::chrono::duration<double>(std::chrono::steady_clock::now().time_since_epoch()).count();
}

}  // namespace

int main(int argc, char** argv) {
    double seconds = argc > 1 ? std::atof(argv[1]) : 1.0;
    // A ship: an arrow head pointing up with a notch; and a ring with an empty middle.
    auto ship = Sprite([](float x, float y) { return y > -0.9f && y < 0.8f && std::fabs(x) < (y + 0.9f) * 0.55f && !(y > 0.4f && std::fabs(x) < 0.25f); });
    auto ring = Sprite([](float x, float y) { float d = x * x + y * y; return d < 0.8f && d > 0.35f; });

    // Random placements: near ones (boxes of the turned sprites overlap) and far ones.
    uint32_t seed = 77;
    auto uniform = [&](float lo, float hi) {
        seed = seed * 1664525u + 1013904223u;
        return lo + (hi - lo) * float(seed >> 8) / float(1u << 24);
    };
    std::vector<Pair> hits, misses, apart;
    while (hits.size() < 4096 || misses.size() < 4096) {
        Pair p{uniform(0, 1000), uniform(0, 700), uniform(0, 360), 0, 0, uniform(0, 360)};
        p.x2 = p.x1 + uniform(-60, 60);
        p.y2 = p.y1 + uniform(-60, 60);
        if (std::fabs(p.x2 - p.x1) < 64 && std::fabs(p.y2 - p.y1) < 64) {  // boxes overlap at any angle
            int hit = ImagesOverlap(ship, p.x1, p.y1, 0, p.r1, 1, 1, ring, p.x2, p.y2, 0, p.r2, 1, 1);
            std::vector<Pair>& into = hit ? hits : misses;
            if (into.size() < 4096) into.push_back(p);
        }
    }
    while (apart.size() < 4096) {
        Pair p{uniform(0, 1000), uniform(0, 700), uniform(0, 360), 0, 0, uniform(0, 360)};
        float angle = uniform(0, 6.2831853f);
        p.x2 = p.x1 + 100 * std::cos(angle);  // turned 64 x 64 boxes reach at most 45.3 from the centre
        p.y2 = p.y1 + 100 * std::sin(angle);
        apart.push_back(p);
    }

    auto run = [&](const char* name, const std::vector<Pair>& pairs) {
        long calls = 0, result = 0;
        double start = NowSeconds(), now = start;
        while (now - start < seconds) {
            for (const Pair& p : pairs)
                result += ImagesOverlap(ship, p.x1, p.y1, 0, p.r1, 1, 1, ring, p.x2, p.y2, 0, p.r2, 1, 1);
            calls += long(pairs.size());
            now = NowSeconds();
        }
        double perSecond = calls / (now - start);
        std::printf("workload %s pairs=%zu\n", name, pairs.size());
        std::printf("  calls_per_second   %.0f\n", perSecond);
        std::printf("  us_per_call        %.3f\n", 1e6 / perSecond);
        std::printf("  hit_share          %.2f\n", double(result) / double(calls));
    };
    run("overlap_rotated_64x64_boxes_overlap_shapes_hit", hits);
    run("overlap_rotated_64x64_boxes_overlap_shapes_miss", misses);
    run("overlap_rotated_64x64_rejected_by_box", apart);
    return 0;
}
