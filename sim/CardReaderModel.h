#pragma once

#include <array>
#include <cstdint>
#include <string_view>
#include <vector>

#include "protocol/LayoutRecords.h"
#include "sim/CommandDispatch.h"

namespace quillet::sim {

// The reader's own settings and the sections of the card in it.
struct CardContents {
    static constexpr std::size_t kMemorySize = 1024;
    static constexpr std::size_t kHolidayBlocks = 2;  // of eight holidays
    static constexpr std::size_t kSchedules = 8;      // one per day type

    std::uint32_t accessCode = 0;
    int readerBaud = 9600;
    std::uint8_t state = 0x01;  // bit 0: a card is in the reader
    CardUserSection user;
    CardPaymentSection payment;
    std::array<CardConsumption, 3> consumption{};
    CardValues values;
    std::vector<std::uint8_t> memory;
    std::array<CardHolidays, kHolidayBlocks> holidays{};
    std::array<CardTariffSchedule, kSchedules> schedules{};
    CardExtraModes extraModes;
    CardActions actions;
};

// The smart-card reader on the line ("#!" frames). Its card's content is drawn from the
// seed, so every run starts with the same card.
class CardReaderModel {
public:
    explicit CardReaderModel(std::uint32_t seed);

    CardContents& contents() { return contents_; }
    const CardContents& contents() const { return contents_; }

    // A command text after "#": code ("!" and one or two characters) and parameters.
    Served serve(std::string_view text);

private:
    CardContents contents_;
};

}  // namespace quillet::sim
