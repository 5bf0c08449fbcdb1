#pragma once
// Byte sources for the importers: a file read sequentially, or bytes already in
// memory (tests, fuzzing). Importers only ever read forward, so memory use does
// not depend on the size of the input.
#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <string>
#include <string_view>

namespace trek {

class InputSource {
public:
    virtual ~InputSource() = default;
    // Fills up to n bytes; returns the count, 0 at the end, -1 on a read error.
    virtual long read(char* buffer, size_t n) = 0;
    virtual uint64_t size() const = 0;      // total bytes, 0 when unknown
    virtual uint64_t position() const = 0;  // bytes handed out so far
};

class FileInput : public InputSource {
public:
    FileInput() = default;
    ~FileInput() override;
    FileInput(const FileInput&) = delete;
    FileInput& operator=(const FileInput&) = delete;

    bool open(const std::string& path);
    bool isOpen() const { return file_ != nullptr; }
    void close();

    long read(char* buffer, size_t n) override;
    uint64_t size() const override { return size_; }
    uint64_t position() const override { return position_; }

private:
    std::FILE* file_ = nullptr;
    uint64_t size_ = 0;
    uint64_t position_ = 0;
};

class MemoryInput : public InputSource {
public:
    explicit MemoryInput(std::string_view bytes) : bytes_(bytes) {}
    long read(char* buffer, size_t n) override;
    uint64_t size() const override { return bytes_.size(); }
    uint64_t position() const override { return position_; }

private:
    std::string_view bytes_;
    size_t position_ = 0;
};

// Reports how far an import has come, in per cent of the input, only when the
// figure changes (the progress display is far slower than the parser).
class ProgressMeter {
public:
    using Callback = void (*)(void* context, int percent);
    ProgressMeter() = default;
    ProgressMeter(Callback callback, void* context) : callback_(callback), context_(context) {}

    void update(uint64_t done, uint64_t total) {
        if (!callback_ || total == 0) return;
        int percent = static_cast<int>(done * 100 / total);
        if (percent > 100) percent = 100;
        if (percent != last_) {
            last_ = percent;
            callback_(context_, percent);
        }
    }

private:
    Callback callback_ = nullptr;
    void* context_ = nullptr;
    int last_ = -1;
};

// Cuts an input into lines (LF or CR LF) without holding more than one line.
// Lines longer than kMaxLine are cut; the rest of such a line is dropped.
class LineReader {
public:
    static constexpr size_t kMaxLine = 65536;
    explicit LineReader(InputSource& input) : input_(input) {}

    // Returns false at the end of the input (or on a read error).
    bool next(std::string& line);
    bool failed() const { return failed_; }
    uint64_t consumed() const { return consumed_; }  // bytes of the lines handed out

private:
    bool fill();
    InputSource& input_;
    char buffer_[65536];
    size_t begin_ = 0;
    size_t end_ = 0;
    bool eof_ = false;
    bool failed_ = false;
    uint64_t consumed_ = 0;
};

}  // namespace trek
