#pragma once

#include <chrono>
#include <cstdint>
#include <cstdio>
#include <mutex>
#include <span>
#include <string>

namespace quillet::cli {

// The bytes of the line in a text file, as they pass the port: one record per line of at
// most 16 bytes with the local time to the millisecond, the direction ("->" sent, "<-"
// received), the bytes in hexadecimal and as text (Windows-1251; control bytes as '.').
// Both the caller's thread and the line monitor write, so records are serialised. The
// records go to a temporary file beside the target that replaces it when closed, so a trace
// that could not be written leaves an earlier one as it was.
class LineTraceFile {
public:
    static constexpr std::size_t kBytesPerRecord = 16;

    LineTraceFile() = default;
    ~LineTraceFile();
    LineTraceFile(const LineTraceFile&) = delete;
    LineTraceFile& operator=(const LineTraceFile&) = delete;

    // False when the file cannot be created.
    bool open(const std::string& path);
    void record(bool sent, std::span<const std::uint8_t> bytes);
    // Flushes and closes; false when anything could not be written.
    bool close();

    // One record's text (without its line end), for the time given.
    static std::string formatRecord(std::chrono::system_clock::time_point at, bool sent,
                                    std::span<const std::uint8_t> bytes);

private:
    std::mutex mutex_;
    std::FILE* file_ = nullptr;  // guarded by mutex_
    bool failed_ = false;        // guarded by mutex_
    std::string path_;
    std::string temporaryPath_;
};

}  // namespace quillet::cli
