#pragma once
// The persisted flag words cfg1, cfg4..cfg8 and cfg10..cfg15. Their bit layout is
// a storage format (registry values and backup files hold the raw words), so
// every field below keeps its bit position. Code reads fields through the named
// accessors generated from the table, never by shifting words itself.
#include <cstdint>

namespace trek {

enum class UnitSystem : uint32_t { Metric = 0, Imperial = 1, Nautical = 2 };
enum class CoordinateFormat : uint32_t { DegMin = 0, DegMinSec = 1, Degrees = 2 };

// X(name, word, lowest bit, width)
#define TREK_FLAG_FIELDS(X)                                                          \
    X(scalebar, cfg1, 31, 1)                                                         \
    X(utmGrid, cfg1, 30, 1)                                                          \
    X(refPoints, cfg1, 29, 1)                                                        \
    X(tourDir, cfg1, 28, 1)                                                          \
    X(tourDots, cfg1, 27, 1)                                                         \
    X(infoUtm, cfg1, 26, 1)                                                          \
    X(tourPoi, cfg1, 25, 1)                                                          \
    X(tourTsDate, cfg1, 24, 1)                                                       \
    X(tourTsTime, cfg1, 23, 1)                                                       \
    X(cfg1Reserved22, cfg1, 22, 1)                                                   \
    X(tourTs, cfg1, 21, 1)                                                           \
    X(profileOwnLayout, cfg1, 20, 1)                                                 \
    X(bottomRow, cfg1, 19, 1)                                                        \
    X(topRow, cfg1, 18, 1)                                                           \
    X(infoStrip, cfg1, 17, 1)                                                        \
    X(layoutByInfoRows, cfg1, 16, 1)                                                 \
    X(unitSystemRaw, cfg1, 14, 2)                                                    \
    X(zoomButtons, cfg1, 5, 1)                                                       \
    X(tourPoiSym, cfg1, 4, 1)                                                        \
    X(tourPoiName, cfg1, 3, 1)                                                       \
    X(vSplit, cfg1, 2, 1)                                                            \
    X(hSplit, cfg1, 1, 1)                                                            \
    X(gpsStatNav, cfg1, 0, 1)                                                        \
    X(tourName, cfg4, 31, 1)                                                         \
    X(mapName, cfg4, 30, 1)                                                          \
    X(viewLayout, cfg4, 27, 3)                                                       \
    X(displayOrientation, cfg4, 24, 3)                                               \
    X(startFollowing, cfg4, 23, 1)                                                   \
    X(gpsBt, cfg4, 22, 1)                                                            \
    X(coordinateFormatRaw, cfg4, 20, 2)                                              \
    X(tourDefColourNew, cfg4, 16, 4)                                                 \
    X(tourDefColourPlan, cfg4, 12, 4)                                                \
    X(destName, cfg4, 11, 1)                                                         \
    X(destGuidance, cfg4, 10, 1)                                                     \
    X(northArrow, cfg4, 9, 1)                                                        \
    X(tourTxtTransparent, cfg4, 8, 1)                                                \
    X(recordingPaused, cfg4, 7, 1)                                                   \
    X(profileTxtTransparent, cfg4, 6, 1)                                             \
    X(profilePoiSym, cfg4, 5, 1)                                                     \
    X(profilePoiName, cfg4, 4, 1)                                                    \
    X(profilePoi, cfg4, 3, 1)                                                        \
    X(profileDots, cfg4, 2, 1)                                                       \
    X(profileTimeAxis, cfg4, 1, 1)                                                   \
    X(profileTimeRel, cfg4, 0, 1)                                                    \
    X(course, cfg5, 16, 1)                                                           \
    X(fltRec, cfg5, 15, 1)                                                           \
    X(fltSpeedThreshold, cfg5, 8, 7)                                                 \
    X(fltOn, cfg5, 7, 1)                                                             \
    X(fltWindow, cfg5, 0, 7)                                                         \
    X(courseLimit, cfg6, 25, 7)                                                      \
    X(courseValue, cfg6, 15, 10)                                                     \
    X(courseThreshold, cfg6, 8, 7)                                                   \
    X(courseFltOn, cfg6, 7, 1)                                                       \
    X(courseWindow, cfg6, 0, 7)                                                      \
    X(fltDistSel, cfg7, 9, 23)                                                       \
    X(recordingProfile, cfg7, 6, 3)                                                  \
    X(cfg7Bit5, cfg7, 5, 1)                                                          \
    X(naviSignal, cfg7, 4, 1)                                                        \
    X(clock, cfg7, 3, 1)                                                             \
    X(splitVariant, cfg7, 2, 1)                                                      \
    X(dimLevel, cfg8, 28, 4)                                                         \
    X(normalLevel, cfg8, 24, 4)                                                      \
    X(dimTimeout, cfg8, 8, 16)                                                       \
    X(autoDim, cfg8, 7, 1)                                                           \
    X(dispLock, cfg8, 6, 1)                                                          \
    X(backlightControl, cfg8, 5, 1)

struct FlagWords {
    uint32_t cfg1 = 0xA3AF0010;
    uint32_t cfg4 = 0x00065800;  // colours 6 / 5, destination name on
    uint32_t cfg5 = 0x00008285;  // filter for recording, 2 km/h, on, 5 samples
    uint32_t cfg6 = 0x28000284;  // limit 20, threshold 2, on, window 4
    uint32_t cfg7 = 0x0000C810;  // 100 m, motorised, navigation sound
    uint32_t cfg8 = 0x56001E00;  // dim 5, normal 6, 30 s
    // Roadbook list columns, one word per position: bits 0..3 column, 4..15 width.
    uint32_t cfg10_15[6] = {1 | 45 << 4, 2 | 45 << 4, 3 | 30 << 4, 4 | 140 << 4, 5 | 30 << 4, 0};

    static constexpr uint32_t mask(unsigned width) {
        return width >= 32 ? 0xFFFFFFFFu : ((1u << width) - 1u);
    }
    static constexpr uint32_t get(uint32_t word, unsigned lo, unsigned width) {
        return (word >> lo) & mask(width);
    }
    static constexpr void put(uint32_t& word, unsigned lo, unsigned width, uint32_t value) {
        word = (word & ~(mask(width) << lo)) | ((value & mask(width)) << lo);
    }

#define TREK_FLAG_ACCESSORS(name, word, lo, width)                                    \
    uint32_t name() const { return get(word, lo, width); }                            \
    void set_##name(uint32_t v) { put(word, lo, width, v); }
    TREK_FLAG_FIELDS(TREK_FLAG_ACCESSORS)
#undef TREK_FLAG_ACCESSORS

    // Nautical is stored as 2 or 3.
    UnitSystem unitSystem() const {
        uint32_t v = unitSystemRaw();
        return v == 0 ? UnitSystem::Metric : v == 1 ? UnitSystem::Imperial : UnitSystem::Nautical;
    }
    void setUnitSystem(UnitSystem u) { set_unitSystemRaw(static_cast<uint32_t>(u)); }
    // dms is stored as 1 or 3.
    CoordinateFormat coordinateFormat() const {
        uint32_t v = coordinateFormatRaw();
        return v == 2 ? CoordinateFormat::Degrees : v == 0 ? CoordinateFormat::DegMin : CoordinateFormat::DegMinSec;
    }
    void setCoordinateFormat(CoordinateFormat f) { set_coordinateFormatRaw(static_cast<uint32_t>(f)); }

    uint32_t roadbookColumn(int pos) const { return get(cfg10_15[pos], 0, 4); }
    uint32_t roadbookWidth(int pos) const { return get(cfg10_15[pos], 4, 12); }
};

}  // namespace trek
