#include <gtest/gtest.h>

#include "serial/PortMap.h"
#include "serial/PortResult.h"
#include "serial/PortTables.h"

namespace quillet {
namespace {

TEST(PortTables, BaudIndexOfFindsOnlyTableRates) {
    for (auto [rate, index] : {std::pair{300, 0},
                               {600, 1},
                               {1200, 2},
                               {2400, 3},
                               {4800, 4},
                               {9600, 5},
                               {19200, -1},
                               {0, -1},
                               {-300, -1}}) {
        EXPECT_EQ(baudIndexOf(rate), index) << rate;
    }
}

TEST(PortTables, ResultTexts) {
    // Text 1 begins with a Latin O, as operators have always seen it.
    EXPECT_EQ(portResultText(1).substr(0, 1), "O");
    EXPECT_EQ(portResultText(PortResult::Ok), "OK");
    EXPECT_EQ(portResultText(7),
              "COM-порт занят предыдущей операцией обмена.\r\nПодождите и повторите операцию.");
    for (int code : {-1, 8, 9, 1000}) {
        EXPECT_TRUE(portResultText(code).empty()) << code;
    }
    for (int code = 0; code <= 7; ++code) {
        EXPECT_FALSE(portResultText(code).empty()) << code;
    }
}

TEST(PortMap, DefaultsAndOverrides) {
    PortMap ports;
    EXPECT_EQ(ports.device(0), "/dev/ttyS0");
    EXPECT_EQ(ports.device(3), "/dev/ttyS3");
    EXPECT_EQ(ports.device(4), "");
    ports.setDevice(1, "sim");
    ports.setDevice(7, "/dev/ttyUSB0");
    EXPECT_EQ(ports.device(1), "sim");
    ports.setDevice(1, "");
    EXPECT_EQ(ports.device(1), "/dev/ttyS1");
}

}  // namespace
}  // namespace quillet
