#include "platform/TImageFrame.h"

#include <GL/gl.h>

#include <cstdio>
#include <cstdlib>

#include "platform/Graphics.h"
#include "platform/Images.h"
#include "platform/TPixmap.h"

namespace {

// Whether the driver would take an RGBA texture of that size.
int ProxyAccepts(int w, int h) {
    glTexImage2D(GL_PROXY_TEXTURE_2D, 0, 4, w, h, 0, GL_RGBA, GL_UNSIGNED_BYTE, nullptr);
    GLint got = 0;
    glGetTexLevelParameteriv(GL_PROXY_TEXTURE_2D, 0, GL_TEXTURE_WIDTH, &got);
    return got != 0;
}

}  // namespace

std::shared_ptr<TImageFrame> TImageFrame::Make(const std::shared_ptr<TPixmap>& source, int flags) {
    if (!GLActive() || !source || source->width <= 0 || source->height <= 0) return nullptr;
    const TPixmap& pixmap = *source;
    int tw = 0, th = 0;
    if (!FitTextureSize(pixmap.width, pixmap.height, ProxyAccepts, tw, th)) {
        // The driver takes no texture at all: nothing can be drawn, so the program stops,
        // giving the desktop its video mode back first rather than dumping core.
        std::fputs("Unable to calculate tex size\r\n", stdout);
        std::fflush(stdout);
        CloseGraphicsMode();
        std::_Exit(1);
    }
    int usedW = tw, usedH = th;
    // A picture already in the texture's layout is uploaded as it is, without a copy.
    std::shared_ptr<TPixmap> level;
    const bool asItIs = IsTextureLayout(pixmap, tw, th);
    if (!asItIs) level = TexturePixels(pixmap, tw, th, usedW, usedH);
    const TPixmap& texels = asItIs ? pixmap : *level;

    auto frame = std::make_shared<TImageFrame>();
    GLuint name = 0;
    glGenTextures(1, &name);
    if (name == 0) return nullptr;
    frame->name = name;
    frame->flags_ = flags;
    frame->textureWidth = tw;
    frame->textureHeight = th;
    frame->uMax = static_cast<float>(usedW) / tw;
    frame->vMax = static_cast<float>(usedH) / th;
    frame->sequence = GraphicsSequence();
    frame->usedWidth = usedW;
    frame->usedHeight = usedH;
    // Smaller mipmap levels spread a texel further than any margin: those frames are not trimmed.
    if (!(flags & kImageMipmapped))
        frame->outline = TFrameOutline::Of(texels.pixels.data(), texels.pitch, usedW, usedH, flags & kImageFiltered);
    if (asItIs) frame->unuploaded_ = source;
    else frame->Upload(texels);
    return frame;
}

unsigned TImageFrame::Texture() {
    if (unuploaded_) {
        const std::shared_ptr<const TPixmap> texels = std::move(unuploaded_);
        unuploaded_.reset();
        Upload(*texels);
    }
    return name;
}

void TImageFrame::Upload(const TPixmap& texels) {
    UseTexture(name);
    bool filtered = flags_ & kImageFiltered;
    bool mipmapped = flags_ & kImageMipmapped;
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, filtered ? GL_LINEAR : GL_NEAREST);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER,
                    filtered ? (mipmapped ? GL_LINEAR_MIPMAP_LINEAR : GL_LINEAR)
                             : (mipmapped ? GL_NEAREST_MIPMAP_NEAREST : GL_NEAREST));
    glPixelStorei(GL_UNPACK_ALIGNMENT, 4);
    int w = textureWidth, h = textureHeight;
    int64_t bytes = 0;
    std::shared_ptr<TPixmap> level;
    const TPixmap* top = &texels;
    for (int lod = 0;; ++lod) {
        // A picture shared with the layers' CPU filtering may have turned BGRA (format 5).
        const GLenum order = top->format == 5 ? GL_BGRA : GL_RGBA;
        glTexImage2D(GL_TEXTURE_2D, lod, GL_RGBA8, w, h, 0, order, GL_UNSIGNED_BYTE, nullptr);
        glTexSubImage2D(GL_TEXTURE_2D, lod, 0, 0, w, h, order, GL_UNSIGNED_BYTE, top->pixels.data());
        bytes += int64_t(w) * h * 4;
        if (!mipmapped || (w == 1 && h == 1)) break;
        w = w > 1 ? w / 2 : 1;
        h = h > 1 ? h / 2 : 1;
        level = top->Resized(w, h);
        top = level.get();
    }
    textureBytes.Set(bytes);
}

TImageFrame::~TImageFrame() {
    // A texture of a closed context went with it; only a live one is deleted.
    DeleteLiveTexture(name, sequence);
}
