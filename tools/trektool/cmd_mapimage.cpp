// map render | map tvm | map load: image regions, tiled copies and map loading.
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "maps/catalogue/MapLoading.h"
#include "maps/image/TvmWriter.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"

namespace trek::tool {

namespace {

bool ParseRegion(const std::string& text, PixelRect& r) {
    long v[4];
    const char* p = text.c_str();
    for (int i = 0; i < 4; ++i) {
        char* end = nullptr;
        v[i] = std::strtol(p, &end, 10);
        if (end == p || (i < 3 && *end != ',') || (i == 3 && *end != 0)) return false;
        p = end + 1;
    }
    r = PixelRect{int32_t(v[0]), int32_t(v[1]), int32_t(v[2]), int32_t(v[3])};
    return !r.empty();
}

void PrintProgress(int percent) {
    std::fprintf(stderr, "\r%s %s", kTvmWritingMessage, TvmProgressText(percent).c_str());
    if (percent == 100) std::fputc('\n', stderr);
}

int RunRender(const std::vector<std::string>& args) {
    std::string file, out, regionText;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--region" && i + 1 < args.size()) regionText = args[++i];
        else if (args[i] == "-o" && i + 1 < args.size()) out = args[++i];
        else if (file.empty() && args[i][0] != '-') file = args[i];
        else return UsageError("map render: unexpected argument " + args[i]);
    }
    PixelRect region;
    if (file.empty() || out.empty() || !ParseRegion(regionText, region))
        return UsageError("map render FILE --region LEFT,BOTTOM,RIGHT,TOP -o OUT.png");
    std::string error;
    auto map = OpenMapFile(file, &error);
    if (!map) return Failure(error);
    PixelRect clipped = ClipToImage(region, map->imageWidth(), map->imageHeight());
    if (clipped != region)
        return Failure("region lies outside the image (" + std::to_string(map->imageWidth()) + " x " +
                       std::to_string(map->imageHeight()) + ")");
    platform::Bitmap bitmap;
    if (!map->DecodeRegion(region, bitmap)) return Failure("cannot decode the region");
    if (!bitmap.writePng(out, false, &error)) return Failure(error);
    return 0;
}

int RunTvm(const std::vector<std::string>& args) {
    std::string file, out;
    int tile = 256;
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--tile" && i + 1 < args.size()) tile = std::atoi(args[++i].c_str());
        else if (args[i] == "-o" && i + 1 < args.size()) out = args[++i];
        else if (file.empty() && args[i][0] != '-') file = args[i];
        else return UsageError("map tvm: unexpected argument " + args[i]);
    }
    if (file.empty() || tile < 16 || tile > 4096) return UsageError("map tvm FILE [--tile N] [-o OUT.tvm] (16 <= N <= 4096)");
    std::string error;
    auto map = OpenMapFile(file, &error);
    if (!map) return Failure(error);
    std::string written = WriteTvmCopy(*map, out, tile, PrintProgress, &error);
    if (written.empty()) return Failure(error);
    std::printf("%s\n", written.c_str());
    return 0;
}

int RunLoad(const std::vector<std::string>& args) {
    std::string file;
    MapLoadOptions options;
    options.eastLetter = Settings::instance().eastLetter();
    for (size_t i = 0; i < args.size(); ++i) {
        if (args[i] == "--tvm") options.tiledCopy = true;
        else if (file.empty() && args[i][0] != '-') file = args[i];
        else return UsageError("map load: unexpected argument " + args[i]);
    }
    if (file.empty()) return UsageError("map load FILE [--tvm]");
    options.progress = PrintProgress;
    MapLoadResult result = LoadMap(file, MapCatalogue::instance(), options);
    if (!result.ok) return Failure(result.error);
    std::printf("%s\n", result.descriptionPath.c_str());
    if (!result.tvmPath.empty()) std::printf("%s\n", result.tvmPath.c_str());
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("map render",
                 "map render FILE --region LEFT,BOTTOM,RIGHT,TOP -o OUT.png   decode an image region (pixels, y up "
                 "from the bottom row) to PNG",
                 RunRender);
TREKTOOL_COMMAND("map tvm", "map tvm FILE [--tile N] [-o OUT.tvm]   write the tiled .tvm container of a map", RunTvm);
TREKTOOL_COMMAND("map load", "map load FILE [--tvm]   load a map file: write our description beside it (and a .tvm copy)",
                 RunLoad);

}  // namespace trek::tool
