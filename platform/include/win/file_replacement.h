// Safe replacement of a file: a unique temporary beside the real target, renamed over it when whole.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <sys/types.h>

namespace win::files {

// One pending replacement of a file's contents.
// Begin resolves a symbolic link to the file it names (so the link stays a link and the real file
// is replaced), refuses a target that exists but is not a regular file or is read-only, and creates
// a temporary with a unique name in the target's folder, exclusively, so that no existing file or
// link of that name is ever opened. Commit gives the temporary the target's mode and owner (a new
// file gets the usual mode under the process's umask), flushes it to disk and renames it over the
// target in one step. Until Commit succeeds the target is untouched; a replacement destroyed or
// abandoned before then removes its temporary. A successful Commit also removes the temporaries of
// the same target that killed runs left behind (their writing process is gone). A write stopped by
// the file-size limit fails like any other when the process ignores SIGXFSZ (the application does).
// Error texts name the operation and the system's reason, never the file: callers name it once.
class Replacement {
public:
    Replacement() = default;
    ~Replacement();
    Replacement(const Replacement&) = delete;
    Replacement& operator=(const Replacement&) = delete;
    Replacement(Replacement&& other) noexcept;
    Replacement& operator=(Replacement&& other) noexcept;

    bool Begin(const std::string& path, std::string* error);
    // Appends to the temporary.
    bool Write(const void* data, std::size_t size, std::string* error);
    // Overwrites bytes already written (a header filled in at the end).
    bool WriteAt(std::uint64_t offset, const void* data, std::size_t size, std::string* error);
    bool Commit(std::string* error);
    void Abandon();

    bool Active() const { return fd_ >= 0; }
    const std::string& Target() const { return target_; }       // the real file Commit replaces
    const std::string& Temporary() const { return temporary_; } // empty when not active

private:
    int fd_ = -1;
    std::string target_;
    std::string temporary_;
    bool existed_ = false;
    mode_t mode_ = 0;
    uid_t owner_ = 0;
    gid_t group_ = 0;
};

// Replaces the file at path with the size bytes at data, all or nothing.
bool ReplaceFileContents(const std::string& path, const void* data, std::size_t size, std::string* error);

} // namespace win::files
