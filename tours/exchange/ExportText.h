#pragma once
// Text pieces shared by the export writers, and the output file they append to.
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace trek {

// XML text: & ' < > become entity references (the double quote stays as it
// is); control characters that XML 1.0 forbids are dropped, so that every
// reader can open the file.
void AppendXmlEscaped(std::string& out, std::string_view utf8);
// Altitude in centimetres as metres with two decimals: -250 -> "-2.50", -50 -> "-0.50".
void AppendAltitude(std::string& out, int32_t centimetres);
// Speed in tenths of km/h as "%d.%1.1d".
void AppendSpeed(std::string& out, uint16_t tenths);
// Geo units as decimal degrees with `decimals` places.
void AppendDegrees(std::string& out, int32_t units, int decimals);
// printf into a string.
void AppendFormat(std::string& out, const char* format, ...) __attribute__((format(printf, 2, 3)));

// An export file: CR LF text collected in a buffer and written to a temporary
// file beside the target, which replaces the target only when everything was
// written. When the file cannot be created, nothing is written and the writer
// runs on regardless (its count is still reported).
class ExportFile {
public:
    explicit ExportFile(std::string path);
    ~ExportFile();  // commits
    ExportFile(const ExportFile&) = delete;
    ExportFile& operator=(const ExportFile&) = delete;

    bool isOpen() const { return file_ != nullptr; }
    const std::string& path() const { return path_; }
    std::string& buffer() { return buffer_; }
    // Writes the buffer out when it has grown past its threshold.
    void maybeFlush() {
        if (buffer_.size() >= kFlushBytes) flush();
    }
    // Writes everything, closes and renames into place; false on any failure.
    bool commit();

private:
    static constexpr size_t kFlushBytes = 1 << 16;
    void flush();
    std::string path_;
    std::string tempPath_;
    std::FILE* file_ = nullptr;
    std::string buffer_;
    bool failed_ = false;
    bool committed_ = false;
};

}  // namespace trek
