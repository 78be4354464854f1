#include "platform/TTexelSpans.h"

#include <algorithm>
#include <cstdint>
#include <cstring>

#include "platform/TPixmap.h"

namespace {

// Gaps up to this many empty texels are merged into the spans either side: a span costs a
// call, a loop's set-up and a cache miss; a stretch of zeros that short costs less.
constexpr int kMergeGap = 64;

}  // namespace

TTexelSpans TTexelSpans::Of(const TPixmap& source, int usedWidth, int usedHeight) {
    TTexelSpans out;
    if (usedWidth <= 0 || usedHeight <= 0) return out;
    // Non-empty columns of each row, widened by a texel either side.
    std::vector<std::vector<uint8_t>> marks(size_t(usedHeight), std::vector<uint8_t>(size_t(usedWidth), 0));
    for (int y = 0; y < usedHeight; ++y) {
        const uint8_t* row = source.Row(y);
        std::vector<uint8_t>& mark = marks[size_t(y)];
        for (int x = 0; x < usedWidth; ++x) {
            uint32_t texel;
            std::memcpy(&texel, row + size_t(x) * 4, sizeof texel);
            if (texel == 0) continue;
            for (int k = std::max(0, x - 1); k <= std::min(usedWidth - 1, x + 1); ++k) mark[size_t(k)] = 1;
        }
    }
    out.rowStart_.reserve(size_t(usedHeight) + 1);
    std::vector<uint8_t> any(static_cast<size_t>(usedWidth));
    for (int y = 0; y < usedHeight; ++y) {
        std::fill(any.begin(), any.end(), uint8_t(0));
        for (int r = std::max(0, y - 1); r <= std::min(usedHeight - 1, y + 1); ++r)
            for (int x = 0; x < usedWidth; ++x) any[size_t(x)] |= marks[size_t(r)][size_t(x)];
        for (int x = 0; x < usedWidth;) {
            if (!any[size_t(x)]) {
                ++x;
                continue;
            }
            int end = x;
            while (end < usedWidth && any[size_t(end)]) ++end;
            if (out.spans_.size() > size_t(out.rowStart_.back()) && x - out.spans_.back().x1 <= kMergeGap)
                out.spans_.back().x1 = end;
            else
                out.spans_.push_back({x, end});
            x = end;
        }
        out.rowStart_.push_back(int(out.spans_.size()));
    }
    return out;
}

long TTexelSpans::Covered() const {
    long n = 0;
    for (const TSpan& s : spans_) n += s.x1 - s.x0;
    return n;
}
