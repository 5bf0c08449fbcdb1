// trektool settings: the settings record as loaded, as one JSON object.
#include <cstdio>
#include <string>

#include "platform/core/Text.h"
#include "settings/Settings.h"
#include "tools/trektool/Command.h"

namespace trek::tool {
namespace {

std::string Hex(uint32_t v) {
    char buf[16];
    std::snprintf(buf, sizeof buf, "\"0x%08X\"", v);
    return buf;
}

int RunSettings(const std::vector<std::string>& args) {
    if (!args.empty()) return UsageError("settings takes no arguments");
    Settings& s = Settings::instance();
    MapPosition pos = s.readMapPosition();
    RecordedTour tour = s.loadRecordedTour();
    using platform::JsonQuote;

    std::string out = "{";
    auto field = [&](const std::string& key, const std::string& value) {
        if (out.size() > 1) out += ", ";
        out += JsonQuote(key) + ": " + value;
    };
    field("cfg1", Hex(s.flags.cfg1));
    field("cfg4", Hex(s.flags.cfg4));
    field("cfg5", Hex(s.flags.cfg5));
    field("cfg6", Hex(s.flags.cfg6));
    field("cfg7", Hex(s.flags.cfg7));
    field("cfg8", Hex(s.flags.cfg8));
    for (int i = 0; i < 6; ++i) field("cfg" + std::to_string(10 + i), Hex(s.flags.cfg10_15[i]));
    field("port", JsonQuote(s.port));
    field("baud", std::to_string(s.baud));
    field("lang", JsonQuote(s.languageCode));
    char sync[32];
    std::snprintf(sync, sizeof sync, "%.6f", static_cast<double>(s.gpsTimeOffset));
    field("gps_sync_time", sync);
    std::string folders = "[";
    for (size_t i = 0; i < s.searchPaths.size(); ++i) folders += (i ? ", " : "") + JsonQuote(s.searchPaths[i]);
    field("folders", folders + "]");
    field("latitude", std::to_string(pos.latitude));
    field("longitude", std::to_string(pos.longitude));
    field("scale", std::to_string(pos.scale));
    field("sel_tour", JsonQuote(s.selectedTour));
    field("sel_map", JsonQuote(s.readSelectedMap()));
    field("cur_tour", JsonQuote(tour.file));
    field("record_distance", std::to_string(s.recordDistance));
    std::printf("%s}\n", out.c_str());
    return 0;
}

}  // namespace

TREKTOOL_COMMAND("settings", "settings                        the settings as loaded, as JSON", RunSettings);

}  // namespace trek::tool
