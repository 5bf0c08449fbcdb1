#include "maps/image/GifReader.h"

#include <gif_lib.h>
#include <unistd.h>

#include <memory>
#include <vector>

namespace trek {

namespace {

struct GifCloser {
    void operator()(GifFileType* g) const {
        if (g) DGifCloseFile(g, nullptr);
    }
};
using GifPtr = std::unique_ptr<GifFileType, GifCloser>;

GifPtr OpenGif(const std::string& path) {
    int error = 0;
    return GifPtr(DGifOpenFileName(path.c_str(), &error));
}

// Moves to the first image descriptor; false when the file has none.
bool FindFirstImage(GifFileType* gif) {
    for (;;) {
        GifRecordType type;
        if (DGifGetRecordType(gif, &type) == GIF_ERROR) return false;
        if (type == IMAGE_DESC_RECORD_TYPE) return DGifGetImageDesc(gif) != GIF_ERROR;
        if (type == TERMINATE_RECORD_TYPE) return false;
        if (type == EXTENSION_RECORD_TYPE) {
            int code = 0;
            GifByteType* block = nullptr;
            if (DGifGetExtension(gif, &code, &block) == GIF_ERROR) return false;
            while (block) {
                if (DGifGetExtensionNext(gif, &block) == GIF_ERROR) return false;
            }
        }
    }
}

uint32_t Colour(const ColorMapObject* map, int index) {
    if (!map || index < 0 || index >= map->ColorCount) return 0xFF000000u;
    const GifColorType& c = map->Colors[index];
    return 0xFF000000u | (uint32_t(c.Red) << 16) | (uint32_t(c.Green) << 8) | c.Blue;
}

// The screen line that the n-th decoded line of an image lands on.
int LineRow(int n, int height, bool interlaced) {
    if (!interlaced) return n;
    static const int kStart[4] = {0, 4, 2, 1}, kStep[4] = {8, 8, 4, 2};
    for (int pass = 0; pass < 4; ++pass) {
        int count = height > kStart[pass] ? (height - kStart[pass] + kStep[pass] - 1) / kStep[pass] : 0;
        if (n < count) return kStart[pass] + n * kStep[pass];
        n -= count;
    }
    return -1;
}

}  // namespace

ImageOpenStatus GifReader::open(const std::string& path) {
    path_ = path;
    if (::access(path.c_str(), R_OK) != 0) return ImageOpenStatus::NotFound;
    GifPtr gif = OpenGif(path);
    if (!gif || gif->SWidth <= 0 || gif->SHeight <= 0) return ImageOpenStatus::Unreadable;
    if (!FindFirstImage(gif.get())) return ImageOpenStatus::Unreadable;
    const ColorMapObject* map = gif->Image.ColorMap ? gif->Image.ColorMap : gif->SColorMap;
    info_.width = gif->SWidth;
    info_.height = gif->SHeight;
    info_.bitsPerPixel = map ? map->BitsPerPixel : 8;
    info_.dpi = 96;
    return ImageOpenStatus::Ok;
}

bool GifReader::decodeRegion(const PixelRect& region, platform::Bitmap& out) {
    if (!PrepareRegionTarget(info_, region, out)) return false;
    GifPtr gif = OpenGif(path_);
    if (!gif || gif->SWidth != info_.width || gif->SHeight != info_.height) return false;
    if (!FindFirstImage(gif.get())) return false;
    const GifImageDesc& desc = gif->Image;
    const ColorMapObject* map = desc.ColorMap ? desc.ColorMap : gif->SColorMap;
    out.fill(Colour(gif->SColorMap, gif->SBackGroundColor));
    if (desc.Width <= 0 || desc.Height <= 0) return true;
    const int firstLine = TopDownRow(region.top, info_.height);  // screen lines, top-down
    const int lastLine = TopDownRow(region.bottom, info_.height);
    std::vector<GifPixelType> line(static_cast<size_t>(desc.Width));
    for (int n = 0; n < desc.Height; ++n) {
        int screenLine = desc.Top + LineRow(n, desc.Height, desc.Interlace);
        if (!desc.Interlace && screenLine > lastLine) break;  // nothing below is wanted
        if (DGifGetLine(gif.get(), line.data(), desc.Width) == GIF_ERROR) return false;
        if (screenLine < firstLine || screenLine > lastLine) continue;
        uint32_t* dst = out.row(screenLine - firstLine);
        for (int x = region.left; x <= region.right; ++x) {
            int ix = x - desc.Left;
            if (ix >= 0 && ix < desc.Width) dst[x - region.left] = Colour(map, line[static_cast<size_t>(ix)]);
        }
    }
    return true;
}

}  // namespace trek
