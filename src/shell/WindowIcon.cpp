// The window's icon: the installed theme icons, or one made from the ship picture.
#include "shell/WindowIcon.h"

#include <algorithm>
#include <string>

#include "platform/Images.h"
#include "platform/TPixmap.h"
#include "shell/GamePaths.h"

namespace {

// Sizes docks and task switchers ask for; larger ones only make the property heavy.
constexpr int kIconSizes[] = {16, 32, 48, 64, 128};
// The installed theme icons, seen from the data folder <prefix>/share/games/tavrik/, which is
// the working directory.
constexpr const char* kThemeFromData = "../../icons/hicolor/";
// The ship shown when no theme icon is there.
constexpr const char* kShipPicture = "gfx/modernx.png";

// The picture centred on a transparent square, so scaling keeps its shape.
std::shared_ptr<TPixmap> OnSquare(const TPixmap& picture) {
    const int side = std::max(picture.width, picture.height);
    auto square = std::make_shared<TPixmap>(side, side, 6);
    const int left = (side - picture.width) / 2, top = (side - picture.height) / 2;
    for (int y = 0; y < picture.height; ++y)
        for (int x = 0; x < picture.width; ++x) square->SetPixelARGB(left + x, top + y, picture.PixelARGB(x, y));
    return square;
}

}  // namespace

std::vector<std::shared_ptr<TPixmap>> LoadWindowIcons() {
    std::vector<std::shared_ptr<TPixmap>> icons;
    if (GamePaths::Installed()) {
        for (int size : kIconSizes) {
            const std::string name = std::to_string(size) + "x" + std::to_string(size);
            std::shared_ptr<TPixmap> icon =
                LoadPixmapFile(std::string(kThemeFromData) + name + "/apps/tavrik.png");
            if (icon && icon->width == size && icon->height == size) icons.push_back(icon);
        }
        if (!icons.empty()) return icons;
    }
    std::shared_ptr<TPixmap> ship = LoadPixmapFile(kShipPicture);
    if (!ship || ship->width < 1 || ship->height < 1) return icons;
    std::shared_ptr<TPixmap> square = OnSquare(*ship);
    for (int size : kIconSizes)
        if (size <= square->width) icons.push_back(square->Resized(size, size));
    return icons;
}
