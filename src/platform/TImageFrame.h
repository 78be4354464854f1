#pragma once
#include <memory>

#include "platform/MemoryCounters.h"
#include "platform/TFrameOutline.h"
#include "platform/TMemoryTally.h"
#include "platform/TShiftedFrame.h"

class TPixmap;

// One OpenGL texture holding a frame of an image, padded to a power-of-two size.
// It belongs to the graphics sequence it was made under and dies with that context.
class TImageFrame {
public:
    // The texture of the pixmap with the image flags (filtered, mipmapped). A pixmap already
    // in the texture's layout is uploaded at the first Texture call, from the pixmap itself:
    // a background layer drawn only through the composed background never needs its own.
    // Others are uploaded now. Needs a current context; stops the program when not even a
    // 1 x 1 texture is accepted.
    static std::shared_ptr<TImageFrame> Make(const std::shared_ptr<TPixmap>& pixmap, int flags);
    // Deletes the texture while its context is still the current one.
    ~TImageFrame();
    // The texture name, its texels uploaded.
    unsigned Texture();

    unsigned name = 0;       // OpenGL texture name (its texels maybe not uploaded yet: see Texture)
    int textureWidth = 0;    // power of two
    int textureHeight = 0;   // power of two
    float uMax = 0.0f;       // used width / textureWidth
    float vMax = 0.0f;       // used height / textureHeight
    int sequence = 0;        // graphics sequence number at creation
    int usedWidth = 0;       // texels of the picture across (its width unless resized down)
    int usedHeight = 0;      // texels of the picture down
    TFrameOutline outline;   // what of the picture can change the screen (none when mipmapped)
    // A frame tiled at a fractional offset is drawn from a copy filtered on the CPU (see
    // TShiftedFrame), made from its uploaded texels, kept from the first time it is tiled.
    // The image's own pixmap where that already holds them as uploaded.
    std::shared_ptr<TPixmap> texels;
    TMemoryTally textureBytes{MemoryCounters().textures};
    TMemoryTally texelBytes{MemoryCounters().texelCopies};  // texels unless shared with the image
    TShiftedFrame shifted;

private:
    // Sets the filters and uploads the texture's texels (with their mipmaps).
    void Upload(const TPixmap& texels);

    int flags_ = 0;
    std::shared_ptr<const TPixmap> unuploaded_;  // the texels Texture still has to upload
};
