// Replacing a file through a unique temporary beside it: link resolution, refusals, mode and owner.
#include "win/file_replacement.h"

#include <dirent.h>
#include <fcntl.h>
#include <signal.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <utility>
#include <vector>

namespace win::files {

namespace {

// The kernel's own limit on links followed while resolving one name.
constexpr int kMaxLinkHops = 40;
constexpr mode_t kNewFileMode = 0666;
constexpr mode_t kFallbackUmask = 022;
constexpr mode_t kAnyWriteBit = S_IWUSR | S_IWGRP | S_IWOTH;
// The target's name as far as it goes in a temporary's name, so that a name near the system's limit
// still leaves room for the rest.
constexpr std::size_t kNameInTemporary = 200;
constexpr std::size_t kUniqueLetters = 6; // the XXXXXX of mkostemp

bool Fail(std::string* error, const std::string& what, int code) {
    if (error) *error = what + ": " + std::strerror(code);
    return false;
}

bool Refuse(std::string* error, const std::string& what) {
    if (error) *error = what;
    return false;
}

std::string FolderOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    if (slash == std::string::npos) return ".";
    return slash == 0 ? "/" : path.substr(0, slash);
}

std::string NameOf(const std::string& path) {
    const std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? path : path.substr(slash + 1);
}

// Follows a chain of links at the last component, even to a file that does not exist yet, so that
// saving through a link writes the file the link names.
bool ResolveLinks(const std::string& path, std::string* resolved, std::string* error) {
    std::string current = path;
    for (int hop = 0; hop < kMaxLinkHops; ++hop) {
        struct stat st {};
        if (::lstat(current.c_str(), &st) != 0 || !S_ISLNK(st.st_mode)) {
            *resolved = current;
            return true;
        }
        std::vector<char> target(static_cast<std::size_t>(st.st_size > 0 ? st.st_size : 255) + 2);
        const ssize_t n = ::readlink(current.c_str(), target.data(), target.size() - 1);
        if (n < 0) return Fail(error, "cannot read the symbolic link", errno);
        const std::string next(target.data(), static_cast<std::size_t>(n));
        current = next.empty() || next[0] == '/' ? next : FolderOf(current) + "/" + next;
    }
    return Fail(error, "cannot resolve the symbolic link", ELOOP);
}

// The process's umask without changing it (changing it would race with other threads).
mode_t CurrentUmask() {
    std::FILE* status = std::fopen("/proc/self/status", "r");
    if (!status) return kFallbackUmask;
    char line[256];
    unsigned mask = kFallbackUmask;
    while (std::fgets(line, sizeof line, status))
        if (std::sscanf(line, "Umask: %o", &mask) == 1) break;
    std::fclose(status);
    return static_cast<mode_t>(mask & 0777);
}

// A temporary's name: "." NAME ".save-" PID "-" and six letters. The writer's process id tells a
// temporary being written from one a killed run left behind.
std::string TemporaryPrefix(const std::string& target) {
    return "." + NameOf(target).substr(0, kNameInTemporary) + ".save-";
}

// The process that wrote a temporary of this target, or 0 when name is not one of its temporaries.
pid_t WriterOf(const std::string& name, const std::string& prefix) {
    if (name.compare(0, prefix.size(), prefix) != 0) return 0;
    std::size_t at = prefix.size();
    long long pid = 0;
    for (; at < name.size() && name[at] >= '0' && name[at] <= '9' && pid < (1LL << 31); ++at)
        pid = pid * 10 + (name[at] - '0');
    if (at == prefix.size() || pid < 1 || pid >= (1LL << 31) || name.size() != at + 1 + kUniqueLetters ||
        name[at] != '-')
        return 0;
    return static_cast<pid_t>(pid);
}

// Removes the temporaries beside target that runs killed while writing it left behind: only names of
// the pattern above, regular files of this user, whose writing process is gone.
void RemoveStaleTemporaries(const std::string& target) {
    const std::string folder = FolderOf(target), prefix = TemporaryPrefix(target);
    DIR* dir = ::opendir(folder.c_str());
    if (!dir) return;
    while (const dirent* entry = ::readdir(dir)) {
        const std::string name = entry->d_name;
        const pid_t writer = WriterOf(name, prefix);
        if (writer == 0 || writer == ::getpid()) continue;
        const std::string path = folder + "/" + name;
        struct stat st {};
        if (::lstat(path.c_str(), &st) != 0 || !S_ISREG(st.st_mode) || st.st_uid != ::geteuid()) continue;
        if (::kill(writer, 0) != 0 && errno == ESRCH) ::unlink(path.c_str());
    }
    ::closedir(dir);
}

bool WriteAll(int fd, const void* data, std::size_t size, std::uint64_t offset, bool positioned, std::string* error) {
    const auto* bytes = static_cast<const unsigned char*>(data);
    std::size_t done = 0;
    while (done < size) {
        const ssize_t n = positioned ? ::pwrite(fd, bytes + done, size - done, static_cast<off_t>(offset + done))
                                     : ::write(fd, bytes + done, size - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return Fail(error, "cannot write the file", n < 0 ? errno : ENOSPC);
        done += static_cast<std::size_t>(n);
    }
    return true;
}

} // namespace

Replacement::~Replacement() { Abandon(); }

Replacement::Replacement(Replacement&& other) noexcept { *this = std::move(other); }

Replacement& Replacement::operator=(Replacement&& other) noexcept {
    if (this == &other) return *this;
    Abandon();
    fd_ = std::exchange(other.fd_, -1);
    target_ = std::move(other.target_);
    temporary_ = std::move(other.temporary_);
    other.temporary_.clear();
    existed_ = other.existed_;
    mode_ = other.mode_;
    owner_ = other.owner_;
    group_ = other.group_;
    return *this;
}

bool Replacement::Begin(const std::string& path, std::string* error) {
    Abandon();
    if (path.empty()) return Refuse(error, "no file name was given");
    std::string target;
    if (!ResolveLinks(path, &target, error)) return false;
    struct stat st {};
    existed_ = ::stat(target.c_str(), &st) == 0;
    if (!existed_ && errno != ENOENT) return Fail(error, "cannot reach the file", errno);
    if (existed_) {
        if (S_ISDIR(st.st_mode)) return Refuse(error, "it is a folder, not a file");
        if (!S_ISREG(st.st_mode)) return Refuse(error, "it is not a regular file");
        // Write bits are checked as well as access(): the superuser may write anything, but a file
        // its owner made read-only is still meant to stay as it is.
        if ((st.st_mode & kAnyWriteBit) == 0) return Refuse(error, "the file is read-only");
        if (::access(target.c_str(), W_OK) != 0) return Fail(error, "cannot write the file", errno);
        mode_ = st.st_mode & 07777;
        owner_ = st.st_uid;
        group_ = st.st_gid;
    } else {
        mode_ = kNewFileMode & ~CurrentUmask();
    }
    std::string pattern = FolderOf(target) + "/" + TemporaryPrefix(target) + std::to_string(::getpid()) + "-XXXXXX";
    // mkostemp creates with O_EXCL: an existing file or link of that name is never opened.
    const int fd = ::mkostemp(pattern.data(), O_CLOEXEC);
    if (fd < 0) return Fail(error, "cannot create a temporary file beside it", errno);
    fd_ = fd;
    target_ = std::move(target);
    temporary_ = std::move(pattern);
    return true;
}

bool Replacement::Write(const void* data, std::size_t size, std::string* error) {
    if (fd_ < 0) return Refuse(error, "the file is not open for writing");
    if (WriteAll(fd_, data, size, 0, false, error)) return true;
    Abandon();
    return false;
}

bool Replacement::WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string* error) {
    if (fd_ < 0) return Refuse(error, "the file is not open for writing");
    if (WriteAll(fd_, data, size, offset, true, error)) return true;
    Abandon();
    return false;
}

bool Replacement::Commit(std::string* error) {
    if (fd_ < 0) return Refuse(error, "the file is not open for writing");
    // Only the superuser may give a file away; others keep at least the group when they belong to it,
    // and otherwise the new file is simply theirs.
    if (existed_ && ::fchown(fd_, owner_, group_) != 0) {
        [[maybe_unused]] const int groupOnly = ::fchown(fd_, static_cast<uid_t>(-1), group_);
    }
    if (::fchmod(fd_, mode_) != 0) {
        const int code = errno;
        Abandon();
        return Fail(error, "cannot set the file's permissions", code);
    }
    if (::fsync(fd_) != 0) {
        const int code = errno;
        Abandon();
        return Fail(error, "cannot write the file", code);
    }
    const int fd = std::exchange(fd_, -1);
    if (::close(fd) != 0) {
        const int code = errno;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return Fail(error, "cannot write the file", code);
    }
    if (::rename(temporary_.c_str(), target_.c_str()) != 0) {
        const int code = errno;
        ::unlink(temporary_.c_str());
        temporary_.clear();
        return Fail(error, "cannot replace the file", code);
    }
    temporary_.clear();
    RemoveStaleTemporaries(target_);
    // The rename itself reaches the disk with the folder; a failure here loses nothing already saved.
    const int folder = ::open(FolderOf(target_).c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
    return true;
}

void Replacement::Abandon() {
    if (fd_ >= 0) ::close(std::exchange(fd_, -1));
    if (!temporary_.empty()) ::unlink(temporary_.c_str());
    temporary_.clear();
}

bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size, std::string* error) {
    Replacement file;
    return file.Begin(path, error) && file.Write(data, size, error) && file.Commit(error);
}

} // namespace win::files
