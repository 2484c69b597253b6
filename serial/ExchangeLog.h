#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <span>
#include <vector>

namespace quillet {

// Ring buffer of every byte sent and received. Each record starts with 0x00 and a tag:
// the command index (0xFF for a modem line) before a request, 0xFF before a reply.
// Both the caller's thread and the line monitor append, so appends are serialised.
class ExchangeLog {
public:
    static constexpr std::size_t kCapacity = 16384;
    static constexpr std::uint8_t kReplyTag = 0xFF;

    struct Snapshot {
        std::vector<std::uint8_t> buffer;  // kCapacity bytes, as stored
        std::size_t writePosition = 0;
        bool wrapped = false;

        // The logged bytes oldest first: the tail after the write position counts only
        // once the buffer has wrapped.
        std::vector<std::uint8_t> inOrder() const;
    };

    ExchangeLog();
    ExchangeLog(const ExchangeLog&) = delete;
    ExchangeLog& operator=(const ExchangeLog&) = delete;

    void append(std::uint8_t byte);
    void append(std::span<const std::uint8_t> bytes);
    void appendRecordStart(std::uint8_t tag);
    void clear();

    std::size_t capacity() const { return kCapacity; }
    std::size_t writePosition() const;
    bool wrapped() const;
    Snapshot snapshot() const;

private:
    void appendLocked(std::uint8_t byte);

    mutable std::mutex mutex_;
    std::unique_ptr<std::uint8_t[]> buffer_;
    std::size_t writePosition_ = 0;
    bool wrapped_ = false;
};

}  // namespace quillet
