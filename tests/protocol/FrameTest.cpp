#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <random>
#include <tuple>
#include <utility>

#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"

namespace quillet {
namespace {

// Distinct group and private passwords show which one a frame carries.
LinkSettings link(int linkType = 0, int address = 0) {
    return {"G1234", "Q7K2M", address, '0', linkType};
}

TEST(Frame, RequestFrames) {
    using Row = std::tuple<std::size_t, std::string_view, int, std::string_view, char>;
    for (auto [index, params, linkType, frame, end] :
         {Row{122, "", 0, "#!276\r", '\r'}, Row{101, "", 0, "&0MVF9\n", '\n'},
          Row{51, "", 0, "#000Q7K2MS58\r", '\r'}, Row{9, "", 0, "@G1234@91\r", '\r'},
          Row{31, "ABCDE", 0, "#000Q7K2MPABCDEA4\r", '\r'},
          Row{51, "", 1, "&0P#000Q7K2MS58\r78\n", '\n'},
          Row{51, "", 2, "&0P#000Q7K2MS58\r78\n", '\n'},
          // Card reader and controller frames are never wrapped; the reply still ends
          // in LF through a controller.
          Row{122, "", 1, "#!276\r", '\n'}, Row{101, "", 1, "&0MVF9\n", '\n'}}) {
        EXPECT_EQ(buildRequestFrame(index, params, link(linkType)), frame) << index;
        EXPECT_EQ(awaitedEndChar(index, link(linkType)), end) << index;
    }
    for (std::size_t empty : {14u, 99u, 142u, 255u}) {
        EXPECT_FALSE(buildRequestFrame(empty, "", link())) << empty;
    }
}

TEST(Frame, VerifyChecksumAndSubstring) {
    using Check = std::pair<std::string_view, bool>;
    for (auto [text, valid] :
         {Check{"~!2A547\r", true}, Check{"#!276\r", true}, Check{"~!2A5c7\r", false},
          Check{"~0J155e\n", true}, Check{"~0J155E\n", true}, Check{"~0J155G\n", false},
          Check{"~0J15 E\n", false}, Check{"5E\r", false}, Check{"00\r", true}, Check{"0\r", false},
          Check{"", false},
          // the last character is not checked
          Check{"#!276x", true}}) {
        EXPECT_EQ(verifyChecksum(text), valid) << text;
    }
    using Part = std::tuple<long, long, std::string_view>;
    for (auto [pos, length, part] :
         {Part{0, 3, "abc"}, Part{3, 10, "def"}, Part{6, 1, ""}, Part{9, 1, ""}, Part{2, -1, ""},
          Part{-1, 2, ""}, Part{1, 0, ""}}) {
        EXPECT_EQ(substringAt("abcdef", pos, length), part) << pos << "," << length;
    }
}

TEST(ReplyCheck, Verdicts) {
    using enum ReplyFault;
    struct Row {
        std::size_t index;
        std::string reply;
        ReplyFault fault;
        int linkType = 0;
        int address = 0;
    };
    for (const Row& r :
         {// A meter's reply carries its address, the command code and a checksum of
          // either case; only the change of address is answered from another address.
          Row{51, "~000S00A1B2C3D4E50F\r", None}, Row{51, "~000S00A1B2C3D4E50f\r", None},
          Row{51, "~000S00A1B2C3D4E50E\r", WrongMeterReply},
          Row{51, "~007S00A1B2C3D4E516\r", WrongMeterReply},
          Row{51, "~007S00A1B2C3D4E516\r", None, 0, 7},
          Row{49, "~000S00A1B2C3D4E50F\r", WrongMeterReply}, Row{30, "~123AYAE\r", None},
          // "N" and "?" refuse; anything else, or an LF end, is a wrong reply
          Row{31, "~000PNAC\r", MeterRefused}, Row{31, "~000P?9D\r", MeterRefused},
          Row{31, "~000PYB7\r", None}, Row{31, "~000PXB6\r", WrongMeterReply},
          Row{31, "~000PYB7\n", WrongMeterReply}, Row{31, "~0\r", WrongMeterReply},
          Row{122, "~!2A547\r", None},
          // a controller refuses with a lone "N" and answers from its own address
          Row{107, "~0JN46\n", ControllerRefused}, Row{107, "~0JNN94\n", WrongControllerReply},
          Row{107, "~0J155E\n", None}, Row{107, "~1J155F\n", WrongControllerReply},
          // through a controller, meter and card replies come inside its frame
          Row{51, "~0P~000S00A1B2C3D4E50F\r90\n", None, 1},
          Row{51, "~0P~000S00A1B2C3D4E50F\r91\n", WrongControllerFrame, 1},
          Row{51, "~000S00A1B2C3D4E50F\r", WrongControllerFrame, 1},
          Row{122, "~0P~!2A547\rBD\n", None, 2}}) {
        LayoutRecord record;
        EXPECT_EQ(checkReply(r.index, r.reply, link(r.linkType, r.address), &record), r.fault)
            << r.index << " " << r.reply;
    }
    // The body reaches the decoder whole, also out of a controller's frame.
    LayoutRecord record;
    EXPECT_EQ(checkReply(51, "~0P~000S00A1B2C3D4E50F\r90\n", link(1), &record), None);
    EXPECT_THAT(record, testing::VariantWith<SerialNumber>(testing::FieldsAre(0xB2C3D4E5, 0xA1)));
}

TEST(ReplyCheck, Messages) {
    EXPECT_EQ(replyFaultMessage(ReplyFault::WrongControllerFrame, 51),
              "OK\r\n\r\nНеверный ответ контролера.\r\n\r\nКоманда: \"Чтение серийного номера\"");
    EXPECT_EQ(replyFaultMessage(ReplyFault::MeterRefused, 31),
              "Счетчик ответил отказом\r\n\r\nКоманда: \"Установка пароля прибора\"");
    EXPECT_EQ(invalidParamsMessage(0),
              "Неверные параметры команды.\r\n\r\nКоманда: \"Установка пароля группы\"");
}

// Random and nearly right replies to random commands: checked twice with the same verdict,
// and (under the sanitizers) without a read outside the reply.
TEST(ReplyCheck, AnyReplyIsJudgedSafelyAndAlike) {
    std::mt19937 random(20261206);
    auto pick = [&](int n) { return static_cast<int>(random() % static_cast<unsigned>(n)); };
    const std::string alphabet = "0123456789ABCDEFabcdefYNLBTOFC?~\r\n -.+x";
    for (int i = 0; i < 20000; ++i) {
        const auto index = static_cast<std::size_t>(pick(256));
        const LinkSettings settings = link(pick(3));
        std::string body(pick(100), ' ');
        for (char& c : body) {
            c = pick(4) == 0 ? static_cast<char>(pick(256)) : alphabet[pick(int(alphabet.size()))];
        }
        // A checksummed frame around the body as a meter would answer, the same inside a
        // controller's frame, or the bare body.
        const std::string frame = appendChecksum(
            '~', "000" + std::string(commandSlot(index).code) + body, pick(2) ? '\r' : '\n');
        const int kind = pick(3);
        const std::string reply = kind == 0   ? frame
                                  : kind == 1 ? appendChecksum('~', "0P" + frame, '\n')
                                              : body;
        LayoutRecord first;
        LayoutRecord second;
        const ReplyFault verdict = checkReply(index, reply, settings, &first);
        ASSERT_EQ(checkReply(index, reply, settings, &second), verdict) << index << " " << reply;
        ASSERT_EQ(first.index(), second.index());
    }
}

}  // namespace
}  // namespace quillet
