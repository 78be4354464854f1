// A small X screen reader for the end-to-end tests: pixel colours, statistics of an area,
// waiting for a colour to show, and saving the screen as PNG.
//   xshot pixel X Y                      prints RRGGBB
//   xshot stats X Y W H                  prints "nonblack=F distinct=N mean=R,G,B"
//   xshot watch X Y MS RRGGBB[,RRGGBB]   prints the first listed colour seen at X,Y within MS, or "none"
//   xshot green X Y W H                  prints how many pixels of the area are vividly green
//   xshot amber X Y W H                  prints how many pixels of the area are amber or orange
//   xshot white X Y W H [PNG]            prints how many pixels of the area (of the screen, or of
//                                        the PNG file) are near white
//   xshot png FILE                       writes the whole screen
//   xshot solid FILE W H RRGGBB          writes a one-colour PNG (needs no display)
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <png.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>
#include <string>
#include <thread>
#include <vector>

namespace {

Display* display = nullptr;

XImage* Grab(int x, int y, int w, int h) {
    return XGetImage(display, DefaultRootWindow(display), x, y, unsigned(w), unsigned(h), AllPlanes, ZPixmap);
}

unsigned Rgb(XImage* image, int x, int y) {
    unsigned long p = XGetPixel(image, x, y);
    return unsigned(((p & image->red_mask) >> 16) << 16 | ((p & image->green_mask) >> 8) << 8 |
                    (p & image->blue_mask));
}

// Writes a PNG of w x h, colour from the screen image or, without one, the solid colour.
int WritePng(const char* path, XImage* image, int w, int h, unsigned solid) {
    FILE* file = std::fopen(path, "wb");
    if (!file) return 1;
    png_structp png = png_create_write_struct(PNG_LIBPNG_VER_STRING, nullptr, nullptr, nullptr);
    png_infop info = png_create_info_struct(png);
    if (setjmp(png_jmpbuf(png))) {
        std::fclose(file);
        return 1;
    }
    png_init_io(png, file);
    png_set_IHDR(png, info, png_uint_32(w), png_uint_32(h), 8, PNG_COLOR_TYPE_RGB, PNG_INTERLACE_NONE,
                 PNG_COMPRESSION_TYPE_DEFAULT, PNG_FILTER_TYPE_DEFAULT);
    png_write_info(png, info);
    std::vector<png_byte> row(size_t(w) * 3);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            unsigned c = image ? Rgb(image, x, y) : solid;
            row[size_t(x) * 3] = png_byte(c >> 16);
            row[size_t(x) * 3 + 1] = png_byte(c >> 8);
            row[size_t(x) * 3 + 2] = png_byte(c);
        }
        png_write_row(png, row.data());
    }
    png_write_end(png, info);
    png_destroy_write_struct(&png, &info);
    std::fclose(file);
    return 0;
}

// The colours the tests look for.
using ColourTest = bool (*)(int r, int g, int b);
// Vividly green: laser bolts.
bool IsGreen(int r, int g, int b) { return g >= 140 && g - r >= 60 && g >= b; }
// The amber and orange of stage names and the "Start Game" greeting.
bool IsAmber(int r, int g, int b) { return r >= 120 && r - g >= 30 && g >= r / 3 && b <= 60; }
// Near white: the readouts' text.
bool IsWhite(int r, int g, int b) { return r >= 230 && g >= 230 && b >= 230; }

// Near-white pixels of the w x h area at x, y of a PNG file; -1 when it cannot be read.
long WhiteInPng(const char* path, int x, int y, int w, int h) {
    png_image image{};
    image.version = PNG_IMAGE_VERSION;
    if (!png_image_begin_read_from_file(&image, path)) return -1;
    image.format = PNG_FORMAT_RGB;
    std::vector<png_byte> pixels(PNG_IMAGE_SIZE(image));
    if (!png_image_finish_read(&image, nullptr, pixels.data(), 0, nullptr)) return -1;
    long count = 0;
    for (int row = std::max(y, 0); row < std::min(y + h, int(image.height)); ++row) {
        for (int col = std::max(x, 0); col < std::min(x + w, int(image.width)); ++col) {
            const png_byte* p = &pixels[(size_t(row) * image.width + size_t(col)) * 3];
            count += IsWhite(p[0], p[1], p[2]);
        }
    }
    return count;
}

// Prints how many pixels of the w x h area at x, y on the screen pass the test.
int PrintCount(int x, int y, int w, int h, ColourTest test) {
    XImage* image = Grab(x, y, w, h);
    if (!image) return 1;
    long count = 0;
    for (int row = 0; row < h; ++row) {
        for (int col = 0; col < w; ++col) {
            unsigned c = Rgb(image, col, row);
            count += test(int(c >> 16), int((c >> 8) & 255), int(c & 255));
        }
    }
    std::printf("%ld\n", count);
    return 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) return 2;
    std::string mode = argv[1];
    if (mode == "white" && argc == 7) {
        long count = WhiteInPng(argv[6], std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]));
        if (count < 0) return 1;
        std::printf("%ld\n", count);
        return 0;
    }
    if (mode == "solid" && argc == 6) {
        return WritePng(argv[2], nullptr, std::atoi(argv[3]), std::atoi(argv[4]),
                        unsigned(std::stoul(argv[5], nullptr, 16)));
    }
    display = XOpenDisplay(nullptr);
    if (!display) return 2;
    if (mode == "pixel" && argc == 4) {
        XImage* image = Grab(std::atoi(argv[2]), std::atoi(argv[3]), 1, 1);
        if (!image) return 1;
        std::printf("%06X\n", Rgb(image, 0, 0));
        return 0;
    }
    if (mode == "stats" && argc == 6) {
        int w = std::atoi(argv[4]), h = std::atoi(argv[5]);
        XImage* image = Grab(std::atoi(argv[2]), std::atoi(argv[3]), w, h);
        if (!image) return 1;
        long nonBlack = 0;
        double r = 0, g = 0, b = 0;
        std::set<unsigned> distinct;
        for (int y = 0; y < h; ++y) {
            for (int x = 0; x < w; ++x) {
                unsigned c = Rgb(image, x, y);
                nonBlack += c != 0;
                r += c >> 16;
                g += (c >> 8) & 255;
                b += c & 255;
                if (distinct.size() < 100000) distinct.insert(c);
            }
        }
        double n = double(w) * double(h);
        std::printf("nonblack=%.4f distinct=%zu mean=%.1f,%.1f,%.1f\n", double(nonBlack) / n, distinct.size(),
                    r / n, g / n, b / n);
        return 0;
    }
    if (mode == "watch" && argc == 6) {
        int x = std::atoi(argv[2]), y = std::atoi(argv[3]), ms = std::atoi(argv[4]);
        std::vector<unsigned> wanted;
        std::stringstream list(argv[5]);
        for (std::string item; std::getline(list, item, ',');) wanted.push_back(unsigned(std::stoul(item, nullptr, 16)));
        auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
        while (std::chrono::steady_clock::now() < end) {
            if (XImage* image = Grab(x, y, 1, 1)) {
                unsigned c = Rgb(image, 0, 0);
                XDestroyImage(image);
                for (unsigned w : wanted) {
                    if (c == w) {
                        std::printf("%06X\n", c);
                        return 0;
                    }
                }
            }
            std::this_thread::sleep_for(std::chrono::milliseconds(2));
        }
        std::printf("none\n");
        return 0;
    }
    if ((mode == "green" || mode == "amber" || mode == "white") && argc == 6) {
        ColourTest test = mode == "green" ? IsGreen : mode == "amber" ? IsAmber : IsWhite;
        return PrintCount(std::atoi(argv[2]), std::atoi(argv[3]), std::atoi(argv[4]), std::atoi(argv[5]), test);
    }
    if (mode == "png" && argc == 3) {
        int w = DisplayWidth(display, 0), h = DisplayHeight(display, 0);
        XImage* image = Grab(0, 0, w, h);
        return image ? WritePng(argv[2], image, w, h, 0) : 1;
    }
    return 2;
}
