// Opening a named file for reading only when it is a regular file, and reading it whole or in part.
#include "win/file_reading.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

namespace win::files {

namespace {

bool Fail(std::string* error, const char* what, int code) {
    if (error) *error = std::string(what) + ": " + std::strerror(code);
    return false;
}

} // namespace

ReadableFile::~ReadableFile() {
    if (fd_ >= 0) ::close(fd_);
}

bool ReadableFile::Open(const std::string& path, const char* what, OpenProblem* problem, std::string* error) {
    *problem = OpenProblem::cannotOpen;
    // Not blocking: opening a pipe with no writer would otherwise wait for one forever.
    fd_ = ::open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    if (fd_ < 0) return Fail(error, "cannot open the file", errno);
    struct stat st {};
    if (::fstat(fd_, &st) != 0) return Fail(error, "cannot read the file", errno);
    if (!S_ISREG(st.st_mode)) {
        *problem = OpenProblem::notAFile;
        if (error)
            *error = S_ISDIR(st.st_mode) ? std::string("it is a folder, not ") + what
                                         : "it is not a regular file (a device, pipe or socket), so it is not read";
        return false;
    }
    const int flags = ::fcntl(fd_, F_GETFL);
    if (flags >= 0) ::fcntl(fd_, F_SETFL, flags & ~O_NONBLOCK);
    size_ = static_cast<std::uint64_t>(st.st_size);
    *problem = OpenProblem::none;
    return true;
}

bool ReadableFile::Read(void* out, std::size_t size, std::size_t* got, std::string* error) {
    *got = 0;
    if (fd_ < 0) return Fail(error, "cannot read the file", EBADF);
    auto* bytes = static_cast<unsigned char*>(out);
    while (*got < size) {
        const ssize_t n = ::read(fd_, bytes + *got, size - *got);
        if (n < 0 && errno == EINTR) continue;
        if (n < 0) return Fail(error, "cannot read the file", errno);
        if (n == 0) break;
        *got += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace win::files
