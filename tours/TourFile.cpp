#include "tours/TourFile.h"

#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include "tours/TourFormat.h"

namespace trek {

TourFile::~TourFile() { close(); }

bool TourFile::open(const std::string& path, Mode mode) {
    close();
    int flags = O_CLOEXEC;
    switch (mode) {
    case Mode::Read: flags |= O_RDONLY; break;
    case Mode::ReadWrite: flags |= O_RDWR; break;
    case Mode::Create: flags |= O_RDWR | O_CREAT; break;
    }
    do {
        fd_ = ::open(path.c_str(), flags, 0644);
    } while (fd_ < 0 && errno == EINTR);
    if (fd_ >= 0 && mode == Mode::Read) posix_fadvise(fd_, 0, 0, POSIX_FADV_SEQUENTIAL);
    return fd_ >= 0;
}

void TourFile::close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
}

long TourFile::readAt(uint64_t offset, void* data, size_t size) const {
    if (fd_ < 0) return -1;
    size_t done = 0;
    auto* out = static_cast<uint8_t*>(data);
    while (done < size) {
        const ssize_t n = ::pread(fd_, out + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            return done ? long(done) : -1;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    return long(done);
}

bool TourFile::writeAt(uint64_t offset, const void* data, size_t size, size_t* written) {
    size_t done = 0;
    const auto* in = static_cast<const uint8_t*>(data);
    while (fd_ >= 0 && done < size) {
        const ssize_t n = ::pwrite(fd_, in + done, size - done, off_t(offset + done));
        if (n < 0) {
            if (errno == EINTR) continue;
            break;
        }
        if (n == 0) break;
        done += size_t(n);
    }
    if (written) *written = done;
    return done == size;
}

bool TourFile::readWord(uint64_t offset, uint32_t& value) const {
    uint8_t b[4];
    if (readAt(offset, b, 4) != 4) return false;
    value = tourfile::LoadLE32(b);
    return true;
}

bool TourFile::writeWord(uint64_t offset, uint32_t value) {
    uint8_t b[4];
    tourfile::StoreLE32(b, value);
    return writeAt(offset, b, 4);
}

int64_t TourFile::size() const {
    struct stat st{};
    if (fd_ < 0 || ::fstat(fd_, &st) != 0) return -1;
    return st.st_size;
}

bool TourFile::sync() { return fd_ >= 0 && ::fdatasync(fd_) == 0; }

bool TourFile::truncate(uint64_t size) { return fd_ >= 0 && ::ftruncate(fd_, off_t(size)) == 0; }

}  // namespace trek
