#include "maps/image/RasterMap.h"

#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "maps/image/ImageKinds.h"
#include "maps/image/ImageMessages.h"

namespace trek {

namespace {
std::mutex g_hookMutex;
MapOverlayHook& Hook() {
    static MapOverlayHook hook;
    return hook;
}

std::string BaseName(const std::string& path) {
    size_t slash = path.find_last_of("/\\");
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

std::string WithExtension(const std::string& path, const char* extension) {
    size_t slash = path.find_last_of("/\\");
    size_t dot = path.rfind('.');
    if (dot == std::string::npos || (slash != std::string::npos && dot < slash)) return path + extension;
    return path.substr(0, dot) + extension;
}
}  // namespace

std::atomic<bool>& MapDrawStopFlag() {
    static std::atomic<bool> stop{false};
    return stop;
}

void SetMapOverlayHook(MapOverlayHook hook) {
    std::lock_guard<std::mutex> lock(g_hookMutex);
    Hook() = std::move(hook);
}

std::string FormatMapMessage(const char* pattern, const std::string& value) {
    std::string text(pattern);
    size_t at = text.find("%s");
    if (at != std::string::npos) text.replace(at, 2, value);
    return text;
}

RasterMap::RasterMap() = default;
RasterMap::~RasterMap() = default;

std::unique_ptr<RasterMap> RasterMap::OpenImage(const std::string& path) {
    auto map = std::make_unique<RasterMap>();
    map->SetImagePath(path);
    map->SetName(BaseName(path));
    if (!map->AttachImage(true)) return nullptr;
    map->SetDescriptionPath(WithExtension(path, ".CAL"));
    map->SetDate(TodayDateText());
    map->visible = true;
    return map;
}

bool RasterMap::AttachImage(bool showMessages) {
    ReleaseWindow();
    loaded_ = false;
    // The file must exist before any decoder is asked about it.
    ImageOpenStatus status = ImageOpenStatus::NotFound;
    reader_.reset();
    if (::access(imagePath.c_str(), F_OK) == 0) {
        reader_ = CreateImageReaderFor(imagePath);
        status = reader_ ? reader_->open(imagePath) : ImageOpenStatus::Unreadable;
    }
    switch (status) {
        case ImageOpenStatus::Ok: break;
        case ImageOpenStatus::NotFound:
            if (showMessages) ShowMapMessage(FormatMapMessage(kFileNotFoundMessage, imagePath), "Error");
            reader_.reset();
            return false;
        case ImageOpenStatus::TooManyBits:
            if (showMessages) ShowMapMessage(kTooManyBitsMessage, name);
            reader_.reset();
            return false;
        case ImageOpenStatus::Unreadable:
            reader_.reset();
            return false;
    }
    const ImageProperties& info = reader_->info();
    SetImageSize(info.width, info.height, info.bitsPerPixel, info.dpi);
    progressive_ = info.progressive;
    if (progressive_ && showMessages) ShowMapMessage(FormatMapMessage(kProgressiveJpegMessage, BaseName(imagePath)), "Map");
    loaded_ = true;
    return true;
}

bool RasterMap::DecodeRegion(const PixelRect& region, platform::Bitmap& out) {
    if (!reader_) return false;
    return reader_->decodeRegion(region, out);
}

bool RasterMap::PlacementFor(const MapViewport& view, MapPlacement& placement) const {
    if (!visible || !calibration().calibrated() || view.width <= 0 || view.height <= 0) return false;
    PixelPoint c = calibration().GeoToPixel(view.center);
    // Image pixel of the target's top-left corner; rows grow downward on screen.
    const int64_t originX = int64_t(c.x) - view.width / 2;
    const int64_t originY = int64_t(c.y) + view.height / 2;
    const int64_t left = originX, right = originX + view.width - 1;
    const int64_t top = originY, bottom = originY - view.height + 1;
    if (right < 0 || top < 0 || left >= imageWidth() || bottom >= imageHeight()) return false;
    PixelRect wanted{static_cast<int32_t>(std::max<int64_t>(left, INT32_MIN)),
                     static_cast<int32_t>(std::max<int64_t>(bottom, INT32_MIN)),
                     static_cast<int32_t>(std::min<int64_t>(right, INT32_MAX)),
                     static_cast<int32_t>(std::min<int64_t>(top, INT32_MAX))};
    placement.region = ClipToImage(wanted, imageWidth(), imageHeight());
    if (placement.region.empty()) return false;
    placement.targetX = static_cast<int>(placement.region.left - originX);
    placement.targetY = static_cast<int>(originY - placement.region.top);
    return true;
}

bool RasterMap::Draw(platform::Bitmap& target, const MapViewport& view, DrawMode mode) {
    MapPlacement placement;
    if (!PlacementFor(view, placement)) return false;
    return DrawPlacement(target, placement, mode);
}

void RasterMap::CopyToTarget(platform::Bitmap& target, const platform::Bitmap& source, const PixelRect& sourceRect,
                             const PixelRect& region, const MapPlacement& placement) const {
    // region lies inside both sourceRect (what source holds) and placement.region.
    for (int32_t y = region.top; y >= region.bottom; --y) {
        int ty = placement.targetY + (placement.region.top - y);
        if (ty < 0 || ty >= target.height()) continue;
        int tx = placement.targetX + (region.left - placement.region.left);
        int sx = region.left - sourceRect.left;
        int count = region.width();
        if (tx < 0) {
            sx -= tx;
            count += tx;
            tx = 0;
        }
        count = std::min(count, target.width() - tx);
        if (count <= 0) continue;
        std::memcpy(target.row(ty) + tx, source.row(sourceRect.top - y) + sx, static_cast<size_t>(count) * 4);
    }
}

bool RasterMap::DrawPlacement(platform::Bitmap& target, const MapPlacement& placement, DrawMode mode) {
    const PixelRect& region = placement.region;
    if (region.empty() || ClipToImage(region, imageWidth(), imageHeight()) != region) return false;
    bool drawn = false;
    if (mode == DrawMode::Cached) {
        if (!EnsureWindow(region)) return false;
        CopyToTarget(target, decoded_, window_, region, placement);
        drawn = true;
    } else {
        // Whole 256-pixel columns, bands of 256 rows from the top; each band is
        // decoded, copied and freed before the next.
        PixelRect wide = region;
        wide.left = region.left / kBandSize * kBandSize;
        wide.right = std::min(imageWidth() - 1, (region.right / kBandSize + 1) * kBandSize - 1);
        platform::Bitmap band;
        for (int32_t top = region.top; top >= region.bottom; top -= kBandSize) {
            if (MapDrawStopFlag().load()) break;
            PixelRect bandRect{wide.left, std::max(region.bottom, top - kBandSize + 1), wide.right, top};
            if (!DecodeRegion(bandRect, band)) break;
            ++decodeCount_;
            PixelRect part{region.left, bandRect.bottom, region.right, bandRect.top};
            CopyToTarget(target, band, bandRect, part, placement);
            drawn = true;
        }
    }
    MapOverlayHook hook;
    {
        std::lock_guard<std::mutex> lock(g_hookMutex);
        hook = Hook();
    }
    if (drawn && hook) hook(target, *this, placement);
    return drawn;
}

bool RasterMap::EnsureWindow(const PixelRect& wanted) {
    if (!decoded_.empty() && window_.contains(wanted)) return true;
    ReleaseWindow();
    if (!DecodeRegion(wanted, decoded_)) {
        ReleaseWindow();
        return false;
    }
    ++decodeCount_;
    window_ = wanted;
    return true;
}

void RasterMap::ReleaseWindow() {
    decoded_ = platform::Bitmap();
    window_ = PixelRect{};
}

std::string RasterMap::InfoText() const {
    char text[1024];
    std::snprintf(text, sizeof text, "File: %s\r\nDate: %s\r\nWidth=%d, Height=%d\r\nBits per pixel: %d",
                  imagePath.c_str(), date.c_str(), imageWidth(), imageHeight(), bitsPerPixel());
    return text;
}

}  // namespace trek
