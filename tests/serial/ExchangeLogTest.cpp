#include <gtest/gtest.h>

#include <vector>

#include "serial/ExchangeLog.h"

namespace quillet {
namespace {

struct WrapCase {
    std::size_t appended;
    std::size_t position;
    bool wrapped;
};

TEST(ExchangeLog, WritePositionWrapsAtCapacity) {
    for (const WrapCase& c :
         {WrapCase{0, 0, false}, WrapCase{16383, 16383, false}, WrapCase{16384, 0, true},
          WrapCase{16385, 1, true}, WrapCase{3 * 16384 + 7, 7, true}}) {
        ExchangeLog log;
        for (std::size_t i = 0; i < c.appended; ++i) {
            log.append(static_cast<std::uint8_t>(i));
        }
        EXPECT_EQ(log.writePosition(), c.position) << c.appended;
        EXPECT_EQ(log.wrapped(), c.wrapped) << c.appended;
    }
}

TEST(ExchangeLog, InOrderStartsAtTheOldestByte) {
    ExchangeLog log;
    std::vector<std::uint8_t> all;
    for (std::size_t i = 0; i < ExchangeLog::kCapacity + 10; ++i) {
        all.push_back(static_cast<std::uint8_t>(i * 7));
        log.append(all.back());
    }
    const std::vector<std::uint8_t> kept(all.end() - ExchangeLog::kCapacity, all.end());
    EXPECT_EQ(log.snapshot().inOrder(), kept);

    log.clear();
    EXPECT_EQ(log.writePosition(), 0u);
    EXPECT_FALSE(log.wrapped());
    log.appendRecordStart(0xFF);
    EXPECT_EQ(log.snapshot().inOrder(), (std::vector<std::uint8_t>{0x00, 0xFF}));
}

}  // namespace
}  // namespace quillet
