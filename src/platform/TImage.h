#pragma once
#include <memory>
#include <vector>

#include "platform/MemoryCounters.h"
#include "platform/TMemoryTally.h"

class TImageFrame;
class TPixmap;

// One loaded image: its frames' pixmaps, their textures (made on first draw for the
// current graphics) and the anchor it is placed and rotated by.
class TImage {
public:
    // An image of one frame from the pixmap, which it keeps as it is.
    TImage(std::shared_ptr<TPixmap> pixmap, int flags, int maskRed, int maskGreen, int maskBlue);

    // Number of frames.
    int FrameCount() const { return static_cast<int>(frames.size()); }
    // The pixmap of frame n, or null.
    const TPixmap* FramePixmap(int n) const;
    // The texture of frame n for the current graphics, made now if it has none; null
    // without an OpenGL context or when n is no frame.
    TImageFrame* TextureFrame(int n);
    // Opacity of frame n for the overlap test, one byte per pixel (1 opaque), made on
    // first need; null when the frame has no alpha and is opaque throughout.
    const uint8_t* Opacity(int n);

    int width;       // pixels of one frame
    int height;      // pixels of one frame
    float anchorX;   // image point placed at the drawing position
    float anchorY;
    int flags;       // 1 masked, 2 filtered, 4 mipmapped
    int maskRed;     // mask colour the image was loaded with
    int maskGreen;
    int maskBlue;

    // What one frame carries.
    struct Frame {
        std::shared_ptr<TPixmap> pixmap;       // source pixels
        std::shared_ptr<TImageFrame> texture;  // uploaded texture or null
        int sequence = 0;                      // graphics sequence of the texture
        std::vector<uint8_t> opacity;          // overlap mask, empty until needed
        bool opacityMade = false;              // opacity computed (or not needed)
        TMemoryTally pixmapBytes{MemoryCounters().pixmaps};
    };
    std::vector<Frame> frames;  // one per frame
};
