// Reading a file the user named, safely: only a regular file, never waiting on a pipe or device.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

namespace win::files {

enum class OpenProblem {
    none,
    cannotOpen, // missing, not permitted, unreadable (the error says which)
    notAFile,   // a folder, device, pipe or socket: nothing is read from it
};

// One regular file open for reading. Error texts name the operation and the system's reason,
// never the file: callers name it once.
class ReadableFile {
public:
    ReadableFile() = default;
    ~ReadableFile();
    ReadableFile(const ReadableFile&) = delete;
    ReadableFile& operator=(const ReadableFile&) = delete;

    // what names the kind of file expected ("a MIDI file", "a script") in the refusal of a folder.
    bool Open(const std::string& path, const char* what, OpenProblem* problem, std::string* error);
    std::uint64_t Size() const { return size_; }
    // Reads up to size bytes from the current position; *got is less only at the end of the file.
    bool Read(void* out, std::size_t size, std::size_t* got, std::string* error);

private:
    int fd_ = -1;
    std::uint64_t size_ = 0;
};

} // namespace win::files
