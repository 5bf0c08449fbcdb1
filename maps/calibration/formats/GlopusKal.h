#pragma once
// Reader of Glopus .KAL (calibration point sections, pixel rows counted from the top).
#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek {

class GlopusKalFormat : public CalibrationFormat {
public:
    const char* name() const override;
    CalibrationReadResult Read(std::string_view text, const std::string& path, const CalibrationReadContext& context,
                               MapDescription& map) const override;
};

}  // namespace trek
