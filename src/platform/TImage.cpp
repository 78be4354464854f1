#include "platform/TImage.h"

#include "platform/Graphics.h"
#include "platform/TImageFrame.h"
#include "platform/TPixmap.h"

TImage::TImage(std::shared_ptr<TPixmap> pixmap, int flags_, int maskRed_, int maskGreen_, int maskBlue_)
    : width(pixmap ? pixmap->width : 0),
      height(pixmap ? pixmap->height : 0),
      anchorX(0.0f),
      anchorY(0.0f),
      flags(flags_),
      maskRed(maskRed_),
      maskGreen(maskGreen_),
      maskBlue(maskBlue_) {
    Frame frame;
    frame.pixmap = std::move(pixmap);
    if (frame.pixmap) frame.pixmapBytes.Set(int64_t(frame.pixmap->pixels.size()));
    frames.push_back(std::move(frame));
}

const TPixmap* TImage::FramePixmap(int n) const {
    if (n < 0 || n >= FrameCount()) return nullptr;
    return frames[n].pixmap.get();
}

TImageFrame* TImage::TextureFrame(int n) {
    if (n < 0 || n >= FrameCount() || !GLActive()) return nullptr;
    Frame& frame = frames[n];
    int sequence = GraphicsSequence();
    // Sequence numbers are never 0 while graphics are open, so 0 means "never made".
    if (frame.sequence == sequence) return frame.texture.get();
    frame.texture.reset();  // stale: its context is gone
    if (frame.pixmap) frame.texture = TImageFrame::Make(frame.pixmap, flags);
    frame.sequence = sequence;
    return frame.texture.get();
}

const uint8_t* TImage::Opacity(int n) {
    if (n < 0 || n >= FrameCount()) return nullptr;
    Frame& frame = frames[n];
    if (!frame.opacityMade) {
        frame.opacityMade = true;
        const TPixmap* p = frame.pixmap.get();
        if (p && TPixmap::HasAlpha(p->format)) {
            frame.opacity.resize(static_cast<size_t>(p->width) * p->height);
            int bpp = TPixmap::BytesPerPixel(p->format);
            int alphaAt = p->format == 2 ? 0 : 3;
            for (int y = 0; y < p->height; ++y) {
                const uint8_t* row = p->Row(y);
                for (int x = 0; x < p->width; ++x)
                    frame.opacity[static_cast<size_t>(y) * p->width + x] = row[x * bpp + alphaAt] >> 7;
            }
        }
    }
    return frame.opacity.empty() ? nullptr : frame.opacity.data();
}
