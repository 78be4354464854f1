#pragma once
#include <cstddef>
#include <vector>

class TPixmap;

// Where a mostly empty picture (a star layer) has anything in it, row by row, widened so that
// every copy of it filtered for a sub-texel shift (see TShiftedFrame) is empty outside too:
// row y's spans cover the non-empty texels of rows y - 1, y and y + 1, one texel more on
// either side. Short gaps are merged, so a row holds a few long spans rather than many short
// ones. Adding such a layer to the composed background then touches only its spans.
class TTexelSpans {
public:
    struct TSpan {
        int x0 = 0, x1 = 0;  // texels [x0, x1) of the row
    };

    // The spans of the used width x height texels of an RGBA pixmap; a texel is empty when
    // all four of its bytes are 0.
    static TTexelSpans Of(const TPixmap& source, int usedWidth, int usedHeight);

    // The spans of row y, left to right.
    const TSpan* begin(int y) const { return spans_.data() + rowStart_[size_t(y)]; }
    const TSpan* end(int y) const { return spans_.data() + rowStart_[size_t(y) + 1]; }
    // Texels inside the spans, all rows.
    long Covered() const;

private:
    std::vector<TSpan> spans_;
    std::vector<int> rowStart_{0};  // row y's spans are spans_[rowStart_[y] .. rowStart_[y + 1])
};
