#include "tours/exchange/ExportText.h"

#include <unistd.h>

#include <cstdarg>
#include <cstdio>

#include "geo/GeoUnits.h"

namespace trek {

void AppendXmlEscaped(std::string& out, std::string_view text) {
    for (char c : text) {
        switch (c) {
        case '&': out += "&amp;"; break;
        case '\'': out += "&apos;"; break;
        case '<': out += "&lt;"; break;
        case '>': out += "&gt;"; break;
        default:
            if (static_cast<unsigned char>(c) < 0x20 && c != '\t' && c != '\r' && c != '\n') break;
            out.push_back(c);
        }
    }
}

void AppendFormat(std::string& out, const char* format, ...) {
    char text[512];
    va_list args;
    va_start(args, format);
    int n = std::vsnprintf(text, sizeof text, format, args);
    va_end(args);
    if (n > 0) out.append(text, std::min(static_cast<size_t>(n), sizeof text - 1));
}

void AppendAltitude(std::string& out, int32_t cm) {
    // The sign goes in front of the whole metres, or "-0.50" would lose it.
    int64_t value = cm;
    const char* sign = value < 0 ? "-" : "";
    int64_t magnitude = value < 0 ? -value : value;
    AppendFormat(out, "%s%lld.%2.2lld", sign, static_cast<long long>(magnitude / 100),
                 static_cast<long long>(magnitude % 100));
}

void AppendSpeed(std::string& out, uint16_t tenths) { AppendFormat(out, "%d.%1.1d", tenths / 10, tenths % 10); }

void AppendDegrees(std::string& out, int32_t units, int decimals) {
    AppendFormat(out, "%.*f", decimals, units * geo::kDegreesPerUnit);
}

ExportFile::ExportFile(std::string path) : path_(std::move(path)) {
    tempPath_ = path_ + ".part";
    file_ = std::fopen(tempPath_.c_str(), "wb");
    buffer_.reserve(kFlushBytes + 4096);
}

ExportFile::~ExportFile() {
    if (!committed_) commit();
}

void ExportFile::flush() {
    if (file_ && !buffer_.empty() && std::fwrite(buffer_.data(), 1, buffer_.size(), file_) != buffer_.size()) {
        failed_ = true;
    }
    buffer_.clear();
}

bool ExportFile::commit() {
    committed_ = true;
    if (!file_) {
        buffer_.clear();
        return false;
    }
    flush();
    bool ok = !failed_ && std::fflush(file_) == 0 && fsync(fileno(file_)) == 0;
    ok = std::fclose(file_) == 0 && ok;
    file_ = nullptr;
    if (ok && std::rename(tempPath_.c_str(), path_.c_str()) == 0) return true;
    std::remove(tempPath_.c_str());
    return false;
}

}  // namespace trek
