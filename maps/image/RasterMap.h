#pragma once
// A map made of one image file: the image's size and depth, the decoder for
// its kind, and the decoded window (the one region of the image held in
// memory). Drawing converts the view into image pixels through the map's
// calibration, decodes what is missing (cached mode) or decodes band after
// band (banded mode), and copies the pixels into the target bitmap.
#include <atomic>
#include <functional>
#include <memory>
#include <mutex>
#include <string>

#include "geo/GeoUnits.h"
#include "maps/calibration/MapDescription.h"
#include "maps/image/ImageReader.h"
#include "maps/image/PixelRect.h"
#include "platform/core/Bitmap.h"

namespace trek {

// The texts shown when opening images.
constexpr const char* kFileNotFoundMessage = "File %s not found!";
constexpr const char* kTooManyBitsMessage =
    "The map has more than 8 bits/pixel. Please convert it to 4 or 8 bits/pixel (16 or 256 colours)!";
constexpr const char* kProgressiveJpegMessage =
    "%s is a progressive JPEG: it can only be decoded as a whole, as far as memory allows. "
    "A tiled copy (.tvm) of it draws any part at once.";

// The screen part of a view: its centre and size in screen pixels, which are
// image pixels (maps are drawn 1:1).
struct MapViewport {
    GeoPoint center;
    int width = 0;
    int height = 0;
};

// Where a region of the image lands in the target: the region (clipped to the
// image) and the target pixel of its top-left corner.
struct MapPlacement {
    PixelRect region;
    int targetX = 0;
    int targetY = 0;
};

enum class DrawMode { Cached, Banded };
constexpr int kBandSize = 256;

// Set to end a banded draw early (a newer draw request, shutdown).
std::atomic<bool>& MapDrawStopFlag();

// The map view draws the north arrow and the reference-point markers over the
// map; it registers itself here and is called after every draw.
class RasterMap;
using MapOverlayHook = std::function<void(platform::Bitmap& target, const RasterMap& map, const MapPlacement& placement)>;
void SetMapOverlayHook(MapOverlayHook hook);

class RasterMap : public MapDescription {
public:
    RasterMap();
    ~RasterMap() override;

    // Opens a bare image as a map: "File %s not found!" when it does not exist,
    // the bits message for bitmap files that cannot be read by region, silence
    // for images that are not readable. Name = file name, date = today,
    // description path = image path with ".CAL", visible.
    static std::unique_ptr<RasterMap> OpenImage(const std::string& path);

    // Opens the image named by imagePath for a map made from a description.
    // showMessages: the messages of OpenImage. false when the image cannot be read.
    virtual bool AttachImage(bool showMessages = true);

    // Decodes a region (clipped to the image by the caller) into out.
    virtual bool DecodeRegion(const PixelRect& region, platform::Bitmap& out);

    // The region of the image a viewport needs and where it lands; false when
    // the calibration is unusable, the map hidden, or the view misses the image.
    bool PlacementFor(const MapViewport& view, MapPlacement& placement) const;

    // Draws the viewport into target (the target's size is the viewport's).
    // false when nothing was drawn.
    bool Draw(platform::Bitmap& target, const MapViewport& view, DrawMode mode = DrawMode::Cached);
    // Draws a placement computed before (the view may cut it further).
    bool DrawPlacement(platform::Bitmap& target, const MapPlacement& placement, DrawMode mode);

    // Cached mode: makes the decoded window hold `wanted`; reuses it when it does.
    bool EnsureWindow(const PixelRect& wanted);
    const PixelRect& window() const { return window_; }
    const platform::Bitmap& decoded() const { return decoded_; }
    void ReleaseWindow();
    // How many region decodes ran (reuse of the window runs none).
    int decodeCount() const { return decodeCount_; }

    virtual std::string InfoText() const;

    int32_t imageWidth() const { return width_; }
    int32_t imageHeight() const { return height_; }
    int bitsPerPixel() const { return bits_; }
    int dpi() const { return dpi_; }
    bool loaded() const { return loaded_; }
    void SetLoaded(bool loaded) { loaded_ = loaded; }
    bool progressive() const { return progressive_; }

    // One lock a map: the painter and the tile prefetch never decode at once.
    std::mutex& lock() const { return lock_; }

protected:
    void SetImageSize(int32_t width, int32_t height, int bits, int dpi) {
        width_ = width;
        height_ = height;
        bits_ = bits;
        dpi_ = dpi;
    }
    void CopyToTarget(platform::Bitmap& target, const platform::Bitmap& source, const PixelRect& sourceRect,
                      const PixelRect& region, const MapPlacement& placement) const;

    std::unique_ptr<ImageReader> reader_;

private:
    int32_t width_ = 0, height_ = 0;
    int bits_ = 0;
    int dpi_ = 96;
    bool loaded_ = false;
    bool progressive_ = false;
    platform::Bitmap decoded_;
    PixelRect window_;
    int decodeCount_ = 0;
    mutable std::mutex lock_;
};

// "File %s not found!" and the other %s texts with the path put in.
std::string FormatMapMessage(const char* pattern, const std::string& value);

}  // namespace trek
