#include "tours/Tour.h"

#include <algorithm>
#include <cstdio>
#include <cstring>

#include "geo/Utm.h"
#include "tours/TourTime.h"

namespace trek {

using namespace tourfile;

// ---- colours

uint32_t TourColour::colorRef() const {
    if (index >= 0 && index < kCount) return kTable[index];
    return custom;
}

void TourColour::advance() {
    if (index == kCustom) return;
    index = (index >= 0 && index < kCount - 1) ? index + 1 : 0;
}

TourColour TourColour::FromColorRef(uint32_t value) {
    for (int i = 0; i < kCount; ++i) {
        if (kTable[i] == value) return {i, 0};
    }
    return {kCustom, value};
}

// ---- bounds and cells

void TourBounds::widen(const TourBounds& o) {
    west = std::min(west, o.west);
    south = std::min(south, o.south);
    east = std::max(east, o.east);
    north = std::max(north, o.north);
}

static int32_t CellStart(int32_t v) {
    int64_t q = v / kCellSize;
    if (v % kCellSize != 0 && v < 0) --q;
    return static_cast<int32_t>(q * kCellSize);
}

TourBounds TourCell(int32_t lon, int32_t lat) {
    TourBounds b;
    b.west = CellStart(lon);
    b.east = b.west + (kCellSize - 1);
    b.south = CellStart(lat);
    b.north = b.south + (kCellSize - 1);
    return b;
}

// ---- points

void TourPoint::computeUtm() {
    thread_local cUTM utm;
    utm.SetPosition(lat, lon, utm::kAutoZone);
    easting = static_cast<int32_t>(utm.easting);
    northing = static_cast<int32_t>(utm.northing);
    word7 = uint32_t(utm.zone) | uint32_t(uint8_t(utm.band)) << 16;
}

void TourPoint::toWords(uint32_t w[kPointWords]) const {
    w[0] = head;
    w[1] = uint32_t(lon);
    w[2] = uint32_t(lat);
    w[3] = uint32_t(alt);
    w[4] = word4();
    w[5] = uint32_t(easting);
    w[6] = uint32_t(northing);
    w[7] = word7;
    w[8] = time;
}

TourPoint TourPoint::FromWords(const uint32_t* w, size_t count) {
    TourPoint p;
    p.head = w[0];
    p.lon = int32_t(w[1]);
    p.lat = int32_t(w[2]);
    p.alt = int32_t(w[3]);
    p.speed = uint16_t(w[4]);
    p.fix = uint8_t(w[4] >> 16);
    p.sats = uint8_t(w[4] >> 24);
    if (count >= 8) {
        p.easting = int32_t(w[5]);
        p.northing = int32_t(w[6]);
        p.word7 = w[7];
    }
    if (count >= 9) p.time = w[8];
    return p;
}

// ---- attached records

void NamedPoiRecord::toWords(uint32_t w[kNamedPoiWords]) const {
    w[0] = kNamedPoiCodeWord;
    w[1] = nameOffset;
    w[2] = descOffset;
    w[3] = link;
    uint8_t field[kSymbolFieldBytes] = {};
    std::memcpy(field, symbol.data(), std::min(symbol.size(), kSymbolFieldBytes - 1));
    for (size_t i = 0; i < 8; ++i) w[4 + i] = LoadLE32(field + 4 * i);
}

std::optional<NamedPoiRecord> NamedPoiRecord::From(const AttachedRecord& r) {
    if (!r.isNamedPoi() || r.length < kNamedPoiWords) return std::nullopt;
    NamedPoiRecord n;
    n.nameOffset = r.words[1];
    n.descOffset = r.words[2];
    n.link = r.words[3];
    uint8_t field[kSymbolFieldBytes];
    for (size_t i = 0; i < 8; ++i) StoreLE32(field + 4 * i, r.words[4 + i]);
    field[kSymbolFieldBytes - 1] = 0;
    n.symbol.assign(reinterpret_cast<const char*>(field), strnlen(reinterpret_cast<const char*>(field), 32));
    return n;
}

void TimeStampRecord::toWords(uint32_t w[kTimeStampWords]) const {
    w[0] = kTimeStampCodeWord;
    w[1] = 0;
    w[2] = value;
    w[3] = time;
}

std::optional<TimeStampRecord> TimeStampRecord::From(const AttachedRecord& r) {
    if (!r.isTimeStamp() || r.length < kTimeStampWords) return std::nullopt;
    return TimeStampRecord{r.words[2], r.words[3]};
}

// ---- the tour

Tour::Tour(std::string displayName, std::string path) : path_(std::move(path)), displayName_(std::move(displayName)) {
    const CalendarTime now = CalendarNow();
    char date[32];
    std::snprintf(date, sizeof date, "%4.4d/%2.2d/%2.2d", now.year, now.month, now.day);
    date_ = date;
}

Tour::~Tour() = default;

void Tour::setDateText(std::string date) {
    // Cut at 20 UTF-16 units, as the header holds no more.
    const std::string encoded = EncodeTourText(date);
    date_ = DecodeTourText(reinterpret_cast<const uint8_t*>(encoded.data()), std::min<size_t>(encoded.size(), 40));
}

bool Tour::openHandle(TourFile::Mode mode) {
    if (!handle_) handle_ = std::make_unique<TourFile>();
    if (handle_->isOpen()) return true;
    return handle_->open(path_, mode);
}

void Tour::closeHandle() { handle_.reset(); }

template <class Fn>
bool Tour::withFile(TourFile::Mode mode, Fn&& fn) {
    if (handle_ && handle_->isOpen()) return fn(*handle_);
    TourFile file;
    if (!file.open(path_, mode)) return false;
    return fn(file);
}

bool Tour::readHeader() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    TourFile file;
    if (!file.open(path_, TourFile::Mode::Read)) return false;
    uint8_t h[kNewTourBytes] = {};
    const long n = file.readAt(0, h, sizeof h);
    if (n < long(kHeaderBoxRecordOffset) || int32_t(LoadLE32(h + 8)) != kPrimaryData) return false;
    colour_ = TourColour::FromColorRef(LoadLE32(h + kHeaderColourOffset));
    const uint16_t flags = LoadLE16(h + kHeaderFlagsOffset);
    visible_ = uint8_t(flags & 0xFF);
    kind_ = flags > 255 ? kSinglePoi : kTour;
    date_ = DecodeTourText(h + kHeaderDateOffset, kDateChars * 2);
    bounds_ = TourBounds{};
    descriptionOffset_ = 0;
    if (n >= long(kHeaderBoxRecordOffset + 28) && int32_t(LoadLE32(h + kHeaderBoxRecordOffset)) == kPrimaryData) {
        bounds_.west = int32_t(LoadLE32(h + kHeaderBoxOffset));
        bounds_.north = int32_t(LoadLE32(h + kHeaderBoxOffset + 4));
        bounds_.east = int32_t(LoadLE32(h + kHeaderBoxOffset + 8));
        bounds_.south = int32_t(LoadLE32(h + kHeaderBoxOffset + 12));
        if (n >= long(kHeaderDescOffset + 4) && int32_t(LoadLE32(h + kHeaderDescRecordOffset)) == kSecondaryData) {
            descriptionOffset_ = LoadLE32(h + kHeaderDescOffset);
        }
    }
    return true;
}

void Tour::encodeNewFile(uint8_t h[kNewTourBytes], uint32_t createdTime) const {
    std::memset(h, 0, kNewTourBytes);
    StoreLE32(h, uint32_t(kRunStart));
    StoreLE32(h + 4, createdTime);
    StoreLE32(h + 8, uint32_t(kPrimaryData));
    StoreLE32(h + 12, 0);
    StoreLE32(h + 16, 48);
    StoreLE32(h + kHeaderColourOffset, colour_.colorRef());
    StoreLE16(h + kHeaderFlagsOffset, uint16_t(visible_ | (kind_ == kSinglePoi ? 0x100 : 0)));
    const std::string date = EncodeTourText(date_);
    std::memcpy(h + kHeaderDateOffset, date.data(), std::min<size_t>(date.size(), kDateChars * 2));
    StoreLE32(h + kHeaderBoxRecordOffset, uint32_t(kPrimaryData));
    StoreLE32(h + kHeaderBoxRecordOffset + 8, 16);
    StoreLE32(h + kHeaderBoxOffset, uint32_t(bounds_.west));
    StoreLE32(h + kHeaderBoxOffset + 4, uint32_t(bounds_.north));
    StoreLE32(h + kHeaderBoxOffset + 8, uint32_t(bounds_.east));
    StoreLE32(h + kHeaderBoxOffset + 12, uint32_t(bounds_.south));
    StoreLE32(h + kHeaderDescRecordOffset, uint32_t(kSecondaryData));
    StoreLE32(h + kHeaderDescRecordOffset + 8, 4);
    StoreLE32(h + kHeaderDescOffset, descriptionOffset_);
    StoreLE32(h + kNewTourBytes - 8, uint32_t(kVersion));
    StoreLE32(h + kNewTourBytes - 4, kCurrentVersion);
}

bool Tour::writeHeader(bool full) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    uint8_t h[kNewTourBytes];
    encodeNewFile(h, 0);
    const size_t end = full ? kHeaderDescOffset + 4 : kHeaderBoxRecordOffset;
    return withFile(TourFile::Mode::ReadWrite, [&](TourFile& f) { return f.writeAt(8, h + 8, end - 8); });
}

bool Tour::writeBounds() {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (version_ < 8) return true;
    return withFile(TourFile::Mode::ReadWrite, [&](TourFile& f) {
        uint32_t tag = 0;
        if (!f.readWord(kHeaderBoxRecordOffset, tag) || int32_t(tag) != kPrimaryData) return true;  // older header
        uint8_t b[16];
        StoreLE32(b, uint32_t(bounds_.west));
        StoreLE32(b + 4, uint32_t(bounds_.north));
        StoreLE32(b + 8, uint32_t(bounds_.east));
        StoreLE32(b + 12, uint32_t(bounds_.south));
        return f.writeAt(kHeaderBoxOffset, b, sizeof b);
    });
}

bool Tour::setDescription(const std::string& utf8) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    if (!flushPending()) return false;
    return withFile(TourFile::Mode::ReadWrite, [&](TourFile& f) {
        uint32_t tag = 0;
        if (!f.readWord(kHeaderDescRecordOffset, tag) || int32_t(tag) != kSecondaryData) return false;
        const int64_t size = f.size();
        if (size < 0 || size > int64_t(UINT32_MAX)) return false;
        const uint32_t end = uint32_t((size + 3) & ~int64_t(3));
        const std::string text = EncodeTourText(utf8);
        std::string record(12, '\0');
        StoreLE32(reinterpret_cast<uint8_t*>(record.data()), uint32_t(kPrimaryData));
        StoreLE32(reinterpret_cast<uint8_t*>(record.data()) + 8, uint32_t(text.size()));
        record += text;
        // Text first, then the reference to it: a crash in between leaves only
        // an orphaned record.
        if (!f.writeAt(end, record.data(), record.size())) return false;
        if (!f.writeWord(kHeaderDescOffset, end)) return false;
        descriptionOffset_ = end;
        return true;
    });
}

std::optional<std::string> Tour::description() {
    if (descriptionOffset_ == 0) return std::nullopt;
    return readText(descriptionOffset_);
}

std::optional<std::string> Tour::readText(uint32_t offset) {
    std::lock_guard<std::recursive_mutex> lock(mutex_);
    std::optional<std::string> result;
    flushPending();
    withFile(TourFile::Mode::Read, [&](TourFile& f) {
        uint8_t head[12];
        if (f.readAt(offset, head, 12) != 12) return false;
        const int32_t tag = int32_t(LoadLE32(head));
        if (tag != kPrimaryData && tag != kSecondaryData) return false;
        const int64_t size = f.size();
        uint64_t n = LoadLE32(head + 8);
        if (size < 0 || uint64_t(offset) + 12 > uint64_t(size)) return false;
        n = std::min<uint64_t>(n, uint64_t(size) - offset - 12);
        std::string bytes(n, '\0');
        if (f.readAt(offset + 12, bytes.data(), n) != long(n)) return false;
        result = DecodeTourText(reinterpret_cast<const uint8_t*>(bytes.data()), n);
        return true;
    });
    return result;
}

std::string Tour::infoText() {
    int64_t size = 0;
    {
        std::lock_guard<std::recursive_mutex> lock(mutex_);
        TourFile f;
        if (f.open(path_, TourFile::Mode::Read)) size = std::max<int64_t>(0, f.size());
    }
    char text[1024];
    std::snprintf(text, sizeof text, "File: %s\r\nDate: %s\r\nSize: %d bytes", path_.c_str(), date_.c_str(),
                  int(size));
    return text;
}

}  // namespace trek
