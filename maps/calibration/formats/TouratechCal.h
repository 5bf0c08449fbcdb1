#pragma once
// Reader of Touratech-style .CAL (key = type = value lines, the four map edges).
#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek {

class TouratechCalFormat : public CalibrationFormat {
public:
    const char* name() const override;
    CalibrationReadResult Read(std::string_view text, const std::string& path, const CalibrationReadContext& context,
                               MapDescription& map) const override;
};

}  // namespace trek
