// In-place edits of tour files and single-POI files.
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <string>
#include <unistd.h>

#include "tours/TourMessages.h"
#include "tours/TourRecorder.h"
#include "tours/TourTime.h"

namespace trek {

using namespace tourfile;

namespace {

// The tour's open handle, or `local` opened for this edit.
TourFile* EditFile(Tour& tour, TourFile& local) {
    if (tour.handle() && tour.handle()->isOpen()) return tour.handle();
    return local.open(tour.path(), TourFile::Mode::ReadWrite) ? &local : nullptr;
}

bool ReadWords(const TourFile& f, uint64_t offset, uint32_t* words, size_t count) {
    uint8_t bytes[4 * kNamedPoiWords];
    if (count > kNamedPoiWords || f.readAt(offset, bytes, 4 * count) != long(4 * count)) return false;
    for (size_t i = 0; i < count; ++i) words[i] = LoadLE32(bytes + 4 * i);
    return true;
}

bool WriteWords(TourFile& f, uint64_t offset, const uint32_t* words, size_t count) {
    uint8_t bytes[4 * kNamedPoiWords];
    if (count > kNamedPoiWords) return false;
    for (size_t i = 0; i < count; ++i) StoreLE32(bytes + 4 * i, words[i]);
    return f.writeAt(offset, bytes, 4 * count);
}

// The word-aligned end of the file, where edits append.
std::optional<uint32_t> AppendOffset(const TourFile& f) {
    const int64_t size = f.size();
    if (size < 0 || size > int64_t(UINT32_MAX) - 4096) return std::nullopt;
    return uint32_t((size + 3) & ~int64_t(3));
}

// Only a point record (or a relocated copy) may be edited: a wrong offset must
// not turn a tag or a deleted point into garbage.
bool IsEditablePoint(uint32_t word0) {
    const int32_t tag = int32_t(word0);
    if (tag == kRelocatedCopy) return true;
    if (tag <= -1 && tag >= -8) return false;
    return !IsDeletedMarker(word0);
}

std::string TextRecord(int32_t tag, uint32_t backRef, const std::string& utf8) {
    const std::string text = EncodeTourText(utf8);
    std::string record(12, '\0');
    auto* p = reinterpret_cast<uint8_t*>(record.data());
    StoreLE32(p, uint32_t(tag));
    StoreLE32(p + 4, backRef);
    StoreLE32(p + 8, uint32_t(text.size()));
    return record + text;
}

// Names from data become file names: no separators, "..", or control characters.
std::string SafeFileName(const std::string& name) {
    std::string out;
    for (char c : name) out += (static_cast<unsigned char>(c) < 0x20 || c == '/' || c == '\\') ? '_' : c;
    for (size_t at; (at = out.find("..")) != std::string::npos;) out.replace(at, 2, "_");
    if (out.empty()) out = "_";
    return out;
}

std::string Format(const char* pattern, const std::string& value) {
    char text[1200];
    std::snprintf(text, sizeof text, pattern, value.c_str());
    return text;
}

// Moves `from` to `to` unless `to` exists.
bool RenameNoReplace(const std::string& from, const std::string& to) {
    return renameat2(AT_FDCWD, from.c_str(), AT_FDCWD, to.c_str(), RENAME_NOREPLACE) == 0;
}

}  // namespace

bool TourRecorder::DeletePoint(Tour& tour, uint32_t offset) {
    std::lock_guard<std::recursive_mutex> lock(tour.mutex());
    tour.flushPending();
    TourFile local;
    TourFile* f = EditFile(tour, local);
    uint32_t word0 = 0;
    if (!f || offset < kRunStartWords * 4 || offset % 4 != 0 || !f->readWord(offset, word0) ||
        !IsEditablePoint(word0)) {
        return false;
    }
    const uint32_t marked =
        int32_t(word0) == kRelocatedCopy ? kDeletedCopyMarker : (word0 & kDeletedKeepMask) | kDeletedMarker;
    return f->writeWord(offset, marked) && f->sync();
}

bool TourRecorder::AttachPoiToPoint(Tour& tour, uint32_t offset, const std::string& symbol) {
    std::lock_guard<std::recursive_mutex> lock(tour.mutex());
    tour.flushPending();
    TourFile local;
    TourFile* f = EditFile(tour, local);
    uint32_t w[kPointWords];
    if (!f || offset % 4 != 0 || !ReadWords(*f, offset, w, kPointWords)) return false;
    // A copy, a point that already carries a POI or is already relocated would
    // lose what it has.
    if (!IsEditablePoint(w[0]) || int32_t(w[0]) == kRelocatedCopy || (w[0] & (kRelocatedBit | kAttachedBit))) {
        return false;
    }
    const std::optional<uint32_t> end = AppendOffset(*f);
    if (!end || *end <= offset) return false;
    const uint32_t distance = *end - offset;
    uint32_t copy[kPointWords + kNamedPoiWords];
    std::memcpy(copy, w, sizeof w);
    copy[0] = uint32_t(kRelocatedCopy);
    NamedPoiRecord{0, 0, distance, symbol.substr(0, kSymbolFieldBytes - 1)}.toWords(copy + kPointWords);
    // The copy goes first: a crash before the mark leaves an orphaned copy,
    // which readers skip, and the point as it was.
    if (!WriteWords(*f, *end, copy, kPointWords) || !WriteWords(*f, *end + kPointBytes, copy + kPointWords,
                                                                kNamedPoiWords)) {
        return false;
    }
    w[0] |= kRelocatedBit;
    w[7] = distance;
    if (!WriteWords(*f, offset, w, kPointWords)) return false;
    return f->sync();
}

bool TourRecorder::SetPoiTexts(Tour& tour, uint32_t offset, const std::optional<std::string>& name,
                               const std::optional<std::string>& description) {
    std::lock_guard<std::recursive_mutex> lock(tour.mutex());
    tour.flushPending();
    TourFile local;
    TourFile* f = EditFile(tour, local);
    const uint32_t recordAt = offset + (tour.version() >= 7 ? kPointBytes : 32);
    uint32_t r[kNamedPoiWords];
    if (!f || !ReadWords(*f, recordAt, r, kNamedPoiWords) || (r[0] & kAttachedCodeMask) != kNamedPoiCode ||
        !(r[0] & kAttachedOffsetA) || !(r[0] & kAttachedOffsetB)) {
        return false;
    }
    const std::optional<std::string>* texts[2] = {&name, &description};
    const int32_t tags[2] = {kPrimaryData, kSecondaryData};
    for (int i = 0; i < 2; ++i) {
        const uint32_t old = r[1 + i];
        uint32_t now = 0;
        if (*texts[i]) {
            const std::optional<uint32_t> end = AppendOffset(*f);
            if (!end || *end <= offset) return false;
            const std::string record = TextRecord(tags[i], *end - offset, **texts[i]);
            if (!f->writeAt(*end, record.data(), record.size())) return false;
            now = *end - offset;
        }
        if (!f->writeWord(recordAt + 4 + 4 * i, now)) return false;
        // The old text belongs to nobody now.
        if (old != 0 && old != now) f->writeWord(uint64_t(offset) + old + 4, 0);
    }
    return f->sync();
}

bool TourRecorder::Rename(Tour& tour, const std::string& newName) {
    std::lock_guard<std::recursive_mutex> lock(tour.mutex());
    const std::string& path = tour.path();
    const size_t slash = path.find_last_of('/');
    const std::string folder = slash == std::string::npos ? std::string() : path.substr(0, slash + 1);
    const std::string target = folder + SafeFileName(newName) + ".TUR";
    if (target == path) return true;
    if (!RenameNoReplace(path, target)) {
        ShowTourMessage(Format("Error while renaming %s!", path), "Error");
        return false;
    }
    tour.setPath(target);
    tour.setDisplayName(newName);
    return true;
}

std::optional<std::string> TourRecorder::CreateSinglePoi(const std::string& dataFolder, const std::string& name,
                                                         const std::string& symbol, const std::string& description,
                                                         const TourPoint& position) {
    std::string folder = dataFolder;
    if (!folder.empty() && folder.back() != '/') folder += '/';
    const std::string path = folder + "POIs/" + SafeFileName(name) + ".TUR";
    const std::string temp = path + ".tmp";

    const uint32_t now = TourTimeNow();
    Tour tour(name, path);
    tour.setKind(Tour::kSinglePoi);
    tour.setVisible(1);
    const TourBounds cell = TourCell(position.lon, position.lat);
    tour.setBounds(cell);
    std::string bytes(kNewTourBytes, '\0');
    tour.encodeNewFile(reinterpret_cast<uint8_t*>(bytes.data()), now);

    auto appendWords = [&](const uint32_t* words, size_t count) {
        for (size_t i = 0; i < count; ++i) {
            uint8_t b[4];
            StoreLE32(b, words[i]);
            bytes.append(reinterpret_cast<const char*>(b), 4);
        }
    };
    const uint32_t block[kBlockWords] = {uint32_t(kBlock), uint32_t(cell.west), uint32_t(cell.north),
                                         uint32_t(cell.east), uint32_t(cell.south), 0};
    appendWords(block, kBlockWords);
    TourPoint p = position;
    p.head = kWaypointBit | kAttachedBit;
    p.time = now;
    p.computeUtm();
    uint32_t pw[kPointWords];
    p.toWords(pw);
    const uint32_t pointAt = uint32_t(bytes.size());
    appendWords(pw, kPointWords);
    if (symbol == kTimeStampName) {
        uint32_t ts[kTimeStampWords];
        TimeStampRecord{0, now}.toWords(ts);
        appendWords(ts, kTimeStampWords);
    } else {
        const uint32_t recordAt = uint32_t(bytes.size());
        NamedPoiRecord named{0, 0, 0, symbol.substr(0, kSymbolFieldBytes - 1)};
        uint32_t nw[kNamedPoiWords];
        named.toWords(nw);
        appendWords(nw, kNamedPoiWords);
        const uint32_t nameAt = uint32_t(bytes.size());
        bytes += TextRecord(kPrimaryData, nameAt - pointAt, name);
        StoreLE32(reinterpret_cast<uint8_t*>(bytes.data()) + recordAt + 4, nameAt - pointAt);
        if (!description.empty()) {
            const uint32_t descAt = uint32_t(bytes.size());
            bytes += TextRecord(kSecondaryData, descAt - pointAt, description);
            StoreLE32(reinterpret_cast<uint8_t*>(bytes.data()) + recordAt + 8, descAt - pointAt);
        }
    }

    TourFile file;
    bool ok = file.open(temp, TourFile::Mode::Create) && file.truncate(0) &&
              file.writeAt(0, bytes.data(), bytes.size()) && file.sync();
    file.close();
    // An existing POI of that name is kept rather than overwritten.
    ok = ok && RenameNoReplace(temp, path);
    if (!ok) {
        ::unlink(temp.c_str());
        ShowTourMessage(Format("Error creating POI %s!", path), "Error");
        return std::nullopt;
    }
    return path;
}

}  // namespace trek
