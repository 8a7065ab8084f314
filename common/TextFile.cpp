#include "common/TextFile.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstdio>
#include <utility>

namespace {
constexpr std::size_t kBlock = 1 << 20;
constexpr std::size_t kMinBlock = 1 << 12;
constexpr std::size_t kWriteBlock = 1 << 16;
}  // namespace

InputFile::~InputFile() {
    Close();
}

InputFile::InputFile(InputFile&& other) noexcept {
    *this = std::move(other);
}

InputFile& InputFile::operator=(InputFile&& other) noexcept {
    if (this != &other) {
        Close();
        fd_ = std::exchange(other.fd_, -1);
        error_ = other.error_;
        path_ = std::move(other.path_);
        buf_ = std::move(other.buf_);
        pos_ = std::exchange(other.pos_, 0);
        end_ = std::exchange(other.end_, 0);
        eof_ = std::exchange(other.eof_, false);
    }
    return *this;
}

bool InputFile::Open(const std::string& path) {
    Close();
    path_ = path;
    error_ = 0;
    fd_ = ::open(path.c_str(), O_RDONLY | O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    struct stat st {};
    if (::fstat(fd_, &st) == 0 && S_ISDIR(st.st_mode)) {
        ::close(fd_);
        fd_ = -1;
        error_ = EISDIR;
        return false;
    }
    // A small file needs no block of a megabyte, nor its clearing: a run
    // that opens thousands of them would spend its time there.
    std::size_t block = kBlock;
    if (S_ISREG(st.st_mode) && st.st_size >= 0 && static_cast<std::size_t>(st.st_size) < kBlock)
        block = std::max<std::size_t>(static_cast<std::size_t>(st.st_size) + 1, kMinBlock);
    buf_.resize(block);
    pos_ = end_ = 0;
    eof_ = false;
    return true;
}

void InputFile::Close() {
    if (fd_ >= 0) ::close(fd_);
    fd_ = -1;
    pos_ = end_ = 0;
    eof_ = true;
}

bool InputFile::Fill() {
    if (fd_ < 0 || eof_) return false;
    pos_ = end_ = 0;
    for (;;) {
        ssize_t n = ::read(fd_, buf_.data(), buf_.size());
        if (n > 0) {
            end_ = static_cast<std::size_t>(n);
            return true;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) error_ = errno;
        eof_ = true;
        return false;
    }
}

bool InputFile::AtEnd() {
    if (pos_ < end_) return false;
    return !Fill();
}

OutputFile::~OutputFile() {
    Discard();
}

bool OutputFile::Open(const std::string& path) {
    Discard();
    path_ = path;
    error_ = 0;
    std::string temp = path + ".tmp~XXXXXX";
    fd_ = ::mkostemp(temp.data(), O_CLOEXEC);
    if (fd_ < 0) {
        error_ = errno;
        return false;
    }
    // A replaced file keeps its permissions; a new one gets the usual ones
    // rather than mkstemp's 0600.
    struct stat st {};
    if (::stat(path.c_str(), &st) == 0) {
        ::fchmod(fd_, st.st_mode & 07777);
    } else {
        mode_t mask = ::umask(0);
        ::umask(mask);
        ::fchmod(fd_, 0666 & ~mask);
    }
    temp_path_ = temp;
    pending_.clear();
    return true;
}

void OutputFile::Write(std::string_view text) {
    if (fd_ < 0) return;
    pending_.append(text);
    if (pending_.size() >= kWriteBlock) Flush();
}

bool OutputFile::Flush() {
    std::size_t done = 0;
    while (done < pending_.size()) {
        ssize_t n = ::write(fd_, pending_.data() + done, pending_.size() - done);
        if (n < 0) {
            if (errno == EINTR) continue;
            if (error_ == 0) error_ = errno;
            pending_.clear();
            return false;
        }
        done += static_cast<std::size_t>(n);
    }
    pending_.clear();
    return error_ == 0;
}

bool OutputFile::Close() {
    if (fd_ < 0) return false;
    bool ok = Flush();
    if (::close(fd_) != 0 && ok) {
        error_ = errno;
        ok = false;
    }
    fd_ = -1;
    if (ok && ::rename(temp_path_.c_str(), path_.c_str()) != 0) {
        error_ = errno;
        ok = false;
    }
    if (!ok) ::unlink(temp_path_.c_str());
    temp_path_.clear();
    return ok;
}

void OutputFile::Discard() {
    if (fd_ >= 0) {
        ::close(fd_);
        fd_ = -1;
        ::unlink(temp_path_.c_str());
    }
    temp_path_.clear();
    pending_.clear();
}
