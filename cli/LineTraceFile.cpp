#include "cli/LineTraceFile.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <ctime>

namespace quillet::cli {

LineTraceFile::~LineTraceFile() {
    close();
}

bool LineTraceFile::open(const std::string& path) {
    std::lock_guard lock(mutex_);
    path_ = path;
    std::string pattern = path + ".XXXXXX";
    const int fd = ::mkstemp(pattern.data());
    if (fd < 0) {
        failed_ = true;
        return false;
    }
    // mkstemp makes the file private; a trace is as readable as any other file made here.
    const mode_t mask = ::umask(0);
    ::umask(mask);
    ::fchmod(fd, 0666 & ~mask);
    temporaryPath_ = pattern;
    file_ = ::fdopen(fd, "wb");
    if (file_ == nullptr) {
        ::close(fd);
        ::unlink(temporaryPath_.c_str());
        failed_ = true;
        return false;
    }
    return true;
}

std::string LineTraceFile::formatRecord(std::chrono::system_clock::time_point at, bool sent,
                                        std::span<const std::uint8_t> bytes) {
    const std::time_t seconds = std::chrono::system_clock::to_time_t(at);
    const auto millis = std::chrono::duration_cast<std::chrono::milliseconds>(
                            at.time_since_epoch() % std::chrono::seconds(1))
                            .count();
    std::tm local{};
    localtime_r(&seconds, &local);
    char stamp[40];
    std::strftime(stamp, sizeof stamp, "%Y-%m-%d %H:%M:%S", &local);

    std::string hex;
    std::string text;
    for (const std::uint8_t byte : bytes) {
        char digits[4];
        std::snprintf(digits, sizeof digits, "%02X ", byte);
        hex += digits;
        // Letters of the code page stay; control bytes would break the record's line.
        text += byte < 0x20 || byte == 0x7F ? '.' : static_cast<char>(byte);
    }
    hex.resize(kBytesPerRecord * 3, ' ');
    char head[64];
    std::snprintf(head, sizeof head, "%s.%03d %s ", stamp, static_cast<int>(millis),
                  sent ? "->" : "<-");
    return head + hex + text;
}

void LineTraceFile::record(bool sent, std::span<const std::uint8_t> bytes) {
    const auto now = std::chrono::system_clock::now();
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return;
    }
    for (std::size_t at = 0; at < bytes.size(); at += kBytesPerRecord) {
        const std::string line =
            formatRecord(now, sent,
                         bytes.subspan(at, std::min(kBytesPerRecord, bytes.size() - at))) +
            '\n';
        if (std::fwrite(line.data(), 1, line.size(), file_) != line.size()) {
            failed_ = true;
        }
    }
}

bool LineTraceFile::close() {
    std::lock_guard lock(mutex_);
    if (file_ == nullptr) {
        return !failed_;
    }
    failed_ = std::fflush(file_) != 0 || ::fsync(::fileno(file_)) != 0 || failed_;
    failed_ = std::fclose(file_) != 0 || failed_;
    file_ = nullptr;
    if (failed_ || std::rename(temporaryPath_.c_str(), path_.c_str()) != 0) {
        ::unlink(temporaryPath_.c_str());
        failed_ = true;
    }
    return !failed_;
}

}  // namespace quillet::cli
