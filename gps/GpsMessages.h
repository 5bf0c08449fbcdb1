#pragma once
// Messages the receiver's reader thread posts to the main window. All carry
// zero parameters; the window takes the data with SnapshotFix.
#include <cstdint>

#include "platform/core/Messages.h"

namespace trek {

// A GGA sentence or a binary position was decoded.
constexpr uint32_t UM_POSITION = platform::WM_USER + 256;    // 1280
// A GSV cycle completed with a changed satellite count or list.
constexpr uint32_t UM_SATELLITES = platform::WM_USER + 257;  // 1281
// A read batch put new text into the NMEA text buffer.
constexpr uint32_t UM_RAW_DATA = platform::WM_USER + 263;    // 1287

}  // namespace trek
