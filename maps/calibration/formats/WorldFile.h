#pragma once
// Reader of world files .bpw .jgw .pgw .tfw (six numbers; the image has the same name).
#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek {

class WorldFileFormat : public CalibrationFormat {
public:
    const char* name() const override;
    CalibrationReadResult Read(std::string_view text, const std::string& path, const CalibrationReadContext& context,
                               MapDescription& map) const override;
};

}  // namespace trek
