#pragma once
// Writes a map as a ".tvm" container of 24-bit tiles, decoding the source one
// band of tile rows at a time so that even huge images need only one band.
#include <atomic>
#include <cstdint>
#include <functional>
#include <string>

#include "maps/calibration/MapCalibration.h"
#include "maps/image/PixelRect.h"
#include "platform/core/Bitmap.h"

namespace trek {

// Decodes a region of the source image (y upward) into a region-sized bitmap.
using RegionSource = std::function<bool(const PixelRect& region, platform::Bitmap& out)>;

struct TvmWriteRequest {
    std::string path;
    int32_t width = 0, height = 0;
    int tileSize = 256;
    std::string name;
    bool visible = true;
    bool background = false;
    int32_t heightDiff = 0;
    const MapCalibration* calibration = nullptr;  // reference points and projection; may be null
    RegionSource source;
    std::function<void(int percent)> progress;     // 0..100, called when the figure changes
    const std::atomic<bool>* cancel = nullptr;     // set: stop, write nothing
};

// The message and the percentage the writer's progress dialog shows.
constexpr const char* kTvmWritingMessage = "Writing TVM...";
std::string TvmProgressText(int percent);  // "%3.d%%"

// Writes atomically (temp file, rename). false with a one-line reason.
bool WriteTvm(const TvmWriteRequest& request, std::string* error = nullptr);

}  // namespace trek
