#include "serial/ExchangeLog.h"

#include <algorithm>

namespace quillet {

ExchangeLog::ExchangeLog() : buffer_(std::make_unique<std::uint8_t[]>(kCapacity)) {}

void ExchangeLog::appendLocked(std::uint8_t byte) {
    buffer_[writePosition_] = byte;
    if (++writePosition_ == kCapacity) {
        writePosition_ = 0;
        wrapped_ = true;
    }
}

void ExchangeLog::append(std::uint8_t byte) {
    std::lock_guard lock(mutex_);
    appendLocked(byte);
}

void ExchangeLog::append(std::span<const std::uint8_t> bytes) {
    std::lock_guard lock(mutex_);
    for (std::uint8_t byte : bytes) {
        appendLocked(byte);
    }
}

void ExchangeLog::appendRecordStart(std::uint8_t tag) {
    std::lock_guard lock(mutex_);
    appendLocked(0x00);
    appendLocked(tag);
}

void ExchangeLog::clear() {
    std::lock_guard lock(mutex_);
    writePosition_ = 0;
    wrapped_ = false;
}

std::size_t ExchangeLog::writePosition() const {
    std::lock_guard lock(mutex_);
    return writePosition_;
}

bool ExchangeLog::wrapped() const {
    std::lock_guard lock(mutex_);
    return wrapped_;
}

ExchangeLog::Snapshot ExchangeLog::snapshot() const {
    std::lock_guard lock(mutex_);
    Snapshot copy;
    copy.buffer.assign(buffer_.get(), buffer_.get() + kCapacity);
    copy.writePosition = writePosition_;
    copy.wrapped = wrapped_;
    return copy;
}

std::vector<std::uint8_t> ExchangeLog::Snapshot::inOrder() const {
    std::vector<std::uint8_t> bytes;
    const auto split = buffer.begin() + static_cast<std::ptrdiff_t>(writePosition);
    if (wrapped) {
        bytes.assign(split, buffer.end());
    }
    bytes.insert(bytes.end(), buffer.begin(), split);
    return bytes;
}

}  // namespace quillet
