#pragma once
// Reader of OziExplorer .MAP (points, map projection and its Projection Setup line).
#include "maps/calibration/formats/CalibrationFormat.h"

namespace trek {

class OziMapFormat : public CalibrationFormat {
public:
    const char* name() const override;
    CalibrationReadResult Read(std::string_view text, const std::string& path, const CalibrationReadContext& context,
                               MapDescription& map) const override;
};

}  // namespace trek
