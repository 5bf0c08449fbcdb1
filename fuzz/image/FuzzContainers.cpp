// ".tvm" records and tiles, ".tvp" and ".qmp" indexes from arbitrary bytes.
#include <cstdint>
#include <cstdio>

#include "maps/image/TiledMap.h"
#include "maps/image/TvmFormat.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
    trek::EncodedTileGrid grid;
    trek::ParseTvpIndex(data, size, grid);
    trek::ParseQmpHeader(data, size, grid);
    FILE* f = fmemopen(const_cast<uint8_t*>(data), size, "rb");
    if (!f) return 0;
    trek::TvmContents contents;
    if (trek::ReadTvm(f, contents)) {
        trek::platform::Bitmap tile;
        int n = 0;
        for (const trek::TvmTile& t : contents.tiles) {
            if (t.width > 1024 || t.height > 1024 || ++n > 8) break;
            trek::ReadTvmTile(f, contents, t, tile);
        }
        trek::TvmCalibration(contents);
    }
    std::fclose(f);
    return 0;
}
