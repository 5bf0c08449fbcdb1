#include "tours/exchange/InputSource.h"

#include <algorithm>
#include <cstring>

namespace trek {

FileInput::~FileInput() { close(); }

bool FileInput::open(const std::string& path) {
    close();
    file_ = std::fopen(path.c_str(), "rb");
    if (!file_) return false;
    if (std::fseek(file_, 0, SEEK_END) == 0) {
        long end = std::ftell(file_);
        size_ = end > 0 ? static_cast<uint64_t>(end) : 0;
    }
    std::fseek(file_, 0, SEEK_SET);
    position_ = 0;
    return true;
}

void FileInput::close() {
    if (file_) std::fclose(file_);
    file_ = nullptr;
}

long FileInput::read(char* buffer, size_t n) {
    if (!file_) return -1;
    size_t got = std::fread(buffer, 1, n, file_);
    if (got == 0 && std::ferror(file_)) return -1;
    position_ += got;
    return static_cast<long>(got);
}

long MemoryInput::read(char* buffer, size_t n) {
    size_t take = std::min(n, bytes_.size() - position_);
    if (take) std::memcpy(buffer, bytes_.data() + position_, take);
    position_ += take;
    return static_cast<long>(take);
}

bool LineReader::fill() {
    if (eof_) return false;
    if (begin_ > 0) {
        std::memmove(buffer_, buffer_ + begin_, end_ - begin_);
        end_ -= begin_;
        begin_ = 0;
    }
    if (end_ == sizeof buffer_) return true;
    long got = input_.read(buffer_ + end_, sizeof buffer_ - end_);
    if (got < 0) failed_ = true;
    if (got <= 0) {
        eof_ = true;
        return false;
    }
    end_ += static_cast<size_t>(got);
    return true;
}

bool LineReader::next(std::string& line) {
    line.clear();
    bool any = false;
    for (;;) {
        const char* start = buffer_ + begin_;
        const char* nl = static_cast<const char*>(std::memchr(start, '\n', end_ - begin_));
        size_t take = nl ? static_cast<size_t>(nl - start) : end_ - begin_;
        size_t room = kMaxLine - std::min(kMaxLine, line.size());
        line.append(start, std::min(take, room));
        any = any || take > 0 || nl;
        begin_ += take + (nl ? 1 : 0);
        consumed_ += take + (nl ? 1 : 0);
        if (nl) break;
        if (!fill()) break;
    }
    if (!line.empty() && line.back() == '\r') line.pop_back();
    return any;
}

}  // namespace trek
