#pragma once
// The word-level vocabulary of the ".TUR" file: record tags, point flag bits,
// attached-record codes, sizes, and explicit little-endian word access.
#include <cstddef>
#include <cstdint>
#include <cstring>

namespace trek::tourfile {

// Tags: first words of the records that are not points.
constexpr int32_t kRunEnd = -1;         // -1, distance m, duration s, end time
constexpr int32_t kTimeMark = -2;       // -2, time
constexpr int32_t kRunStart = -3;       // -3, time the file or run was opened
constexpr int32_t kFixInfo = -4;        // -4, one value from the fix record
constexpr int32_t kVersion = -5;        // -5, file version
constexpr int32_t kBlock = -6;          // -6, west, north, east, south, content length
constexpr int32_t kPrimaryData = -7;    // -7, back reference, n, n bytes
constexpr int32_t kSecondaryData = -8;  // -8, back reference, n, n bytes
constexpr int32_t kRelocatedCopy = -9;  // a point record whose first word is -9
constexpr int32_t kDeletedPoint = -10;

constexpr size_t kRunEndWords = 4;
constexpr size_t kTimeMarkWords = 2;
constexpr size_t kRunStartWords = 2;
constexpr size_t kFixInfoWords = 2;
constexpr size_t kVersionWords = 2;
constexpr size_t kBlockWords = 6;
constexpr size_t kBlockBytes = 24;
constexpr size_t kDataHeadWords = 3;

// Point flag bits (word 0).
constexpr uint32_t kPointNumberMask = 0x03FFFFFFu;  // bits 0-25: run point counter
constexpr uint32_t kWaypointBit = 1u << 26;
constexpr uint32_t kSegmentStartBit = 1u << 27;
constexpr uint32_t kRelocatedBit = 1u << 28;
constexpr uint32_t kExtraWordBit = 1u << 29;
constexpr uint32_t kAttachedBit = 1u << 30;
constexpr uint32_t kNoSatellitesBit = 1u << 31;

// Deleted points: word 0 with bits 29 and 30 masked off equals this value; the
// two bits survive so that a reader can still skip the point's trailers.
constexpr uint32_t kDeletedMarker = 0x9FFFFFF6u;
constexpr uint32_t kDeletedKeepMask = 0x60000000u;
constexpr uint32_t kDeletedCopyMarker = 0xDFFFFFF6u;  // a deleted relocated copy
inline bool IsDeletedMarker(uint32_t word0) { return (word0 & ~kDeletedKeepMask) == kDeletedMarker; }

// Point record sizes by file version.
constexpr size_t kPointWords = 9;  // version 7 and later
constexpr size_t kPointBytes = 36;
inline size_t PointWordsForVersion(uint32_t version) { return version >= 7 ? 9 : version >= 5 ? 8 : 5; }

// Attached records: code word bits 0-28 code, bit 29 removed, bits 30/31 one
// offset word each.
constexpr uint32_t kAttachedCodeMask = 0x1FFFFFFFu;
constexpr uint32_t kAttachedRemovedBit = 1u << 29;
constexpr uint32_t kAttachedOffsetA = 1u << 30;
constexpr uint32_t kAttachedOffsetB = 1u << 31;
constexpr uint32_t kNamedPoiCode = 4095;
constexpr uint32_t kTimeStampCode = 535;
constexpr uint32_t kTextCode = 521;
constexpr uint32_t kImageCode = 522;
constexpr uint32_t kNamedPoiCodeWord = 0xC0000FFFu;   // 12 words, 48 bytes
constexpr uint32_t kTimeStampCodeWord = 0xC0000217u;  // 4 words, 16 bytes
constexpr size_t kNamedPoiWords = 12;
constexpr size_t kTimeStampWords = 4;
constexpr size_t kSymbolFieldBytes = 32;  // NUL-terminated: at most 31 characters
constexpr const char* kTimeStampName = " TimeStamp";

// Length in words of the attached record that starts with codeWord.
inline size_t AttachedRecordWords(uint32_t codeWord, uint32_t version) {
    const uint32_t code = codeWord & kAttachedCodeMask;
    const size_t payload = code == kNamedPoiCode ? 9 : code == kTimeStampCode ? 1
                           : (code == kTextCode || code == kImageCode)        ? 2
                                                                              : 0;
    size_t words = 1 + payload;
    if (version >= 6) words += ((codeWord & kAttachedOffsetB) ? 1 : 0) + ((codeWord & kAttachedOffsetA) ? 1 : 0);
    return words;
}

// The current format.
constexpr uint32_t kCurrentVersion = 9;
constexpr uint32_t kNewTourBytes = 120;  // run start, header records, version
constexpr uint32_t kHeaderColourOffset = 20;
constexpr uint32_t kHeaderFlagsOffset = 24;
constexpr uint32_t kHeaderDateOffset = 26;
constexpr size_t kDateChars = 20;
constexpr uint32_t kHeaderBoxRecordOffset = 68;
constexpr uint32_t kHeaderBoxOffset = 80;
constexpr uint32_t kHeaderDescRecordOffset = 96;
constexpr uint32_t kHeaderDescOffset = 108;

// Blocks cover grid cells of this many geo units on each side.
constexpr int32_t kCellSize = 116356;

// An empty bounding box lies outside any real coordinate (+-300 degrees).
constexpr int32_t kEmptyBoxLow = 523598775;
constexpr int32_t kEmptyBoxHigh = -523598775;

// A point record without a time (layouts before version 7).
constexpr uint32_t kNoTime = 0xFFFFFFFFu;

inline uint32_t LoadLE32(const uint8_t* p) {
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}
inline void StoreLE32(uint8_t* p, uint32_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
    p[2] = uint8_t(v >> 16);
    p[3] = uint8_t(v >> 24);
}
inline uint16_t LoadLE16(const uint8_t* p) { return uint16_t(p[0] | p[1] << 8); }
inline void StoreLE16(uint8_t* p, uint16_t v) {
    p[0] = uint8_t(v);
    p[1] = uint8_t(v >> 8);
}

}  // namespace trek::tourfile
