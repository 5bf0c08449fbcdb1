#include "maps/calibration/formats/CalibrationFormat.h"

#include "maps/calibration/TextScan.h"
#include "maps/calibration/formats/ReaderSupport.h"

namespace trek {

CalibrationReadContext DefaultReadContext() {
    CalibrationReadContext c;
    c.imageInfo = [](const std::string& path) { return ReadImageInfoFile(calib::ResolveFileName(path)); };
    c.today = TodayDateText();
    return c;
}

namespace calib {

ImageInfo ProbeImage(const CalibrationReadContext& context, const std::string& imagePath) {
    if (context.imageInfo)
        if (auto info = context.imageInfo(imagePath)) return *info;
    return {};
}

void InitForeignMap(MapDescription& map, const CalibrationReadContext& context) {
    map.type = kMapTypeRaster;
    map.SetDate(context.today.empty() ? TodayDateText() : context.today);
    map.SetVisible(true, true, 0);
}

}  // namespace calib

}  // namespace trek
