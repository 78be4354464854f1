#include "shell/BuildIdentity.h"

#include <memory>
#include <string>

#include "platform/Images.h"
#include "platform/THashFeed.h"
#include "platform/TImage.h"
#include "shell/Assets.h"
#include "world/ShipTable.h"
#include "world/TGunInfo.h"

namespace {
// A picture as collisions see it: its size, anchor and the opacity of every pixel.
void AddMask(THashFeed& feed, const std::shared_ptr<TImage>& image) {
    if (!image) {
        feed.Add(int32_t(-1));
        return;
    }
    feed.Add(int32_t(image->width));
    feed.Add(int32_t(image->height));
    feed.Add(image->anchorX);
    feed.Add(image->anchorY);
    feed.Add(int32_t(image->FrameCount()));
    for (int frame = 0; frame < image->FrameCount(); ++frame) {
        const uint8_t* opacity = image->Opacity(frame);
        if (opacity) feed.AddBytes(opacity, size_t(image->width) * size_t(image->height));
    }
}
}  // namespace

std::string BuildIdentity() {
    THashFeed feed;
    feed.Add(int32_t(kSimulationVersion));
    for (const TShipKind& kind : kShipKinds) {
        feed.Add(kind.kind);
        feed.Add(uint8_t(kind.role));
        feed.AddText(kind.name);
        feed.AddText(kind.image);
        feed.Add(kind.mass);
        feed.Add(kind.hp);
        feed.Add(kind.armor);
        feed.Add(kind.enginePower);
        feed.Add(kind.topSpeed);
        feed.Add(int32_t(kind.pointValue));
        feed.Add(kind.largeExplosion);
        feed.Add(kind.rockets);
        feed.Add(kind.escortKind);
        feed.Add(int32_t(kind.escortCount));
        for (const TShipMount& mount : kind.mounts) {
            feed.Add(mount.offsetX);
            feed.Add(mount.offsetY);
            feed.AddText(mount.gun);
            feed.Add(mount.aimMode);
        }
        std::shared_ptr<TImage> picture = LoadImageFile(std::string(kind.image), -1);
        CentreImageAnchor(picture);
        AddMask(feed, picture);
    }
    for (const auto& gun : TGunInfo::Catalogue()) {
        feed.AddText(gun->id);
        feed.Add(int32_t(gun->turretPivotY));
        feed.Add(int32_t(gun->shotLength));
        feed.Add(gun->damage);
        feed.Add(gun->shotSpeed);
        feed.Add(int32_t(gun->lifeMs));
        feed.Add(gun->range);
        feed.Add(int32_t(gun->reloadMs));
        AddMask(feed, gun->shotImage);
    }
    for (const auto& rocket : rocketImages) AddMask(feed, rocket);
    return feed.Hex();
}
