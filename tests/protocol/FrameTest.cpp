#include <gtest/gtest.h>

#include <random>
#include <string>

#include "protocol/CommandTable.h"
#include "protocol/Frame.h"
#include "protocol/ReplyCheck.h"

namespace quillet {
namespace {

LinkSettings direct() {
    LinkSettings link;
    link.groupPassword = "G1234";
    link.privatePassword = "Q7K2M";
    link.address = 0;
    link.controllerAddress = '0';
    link.linkType = 0;
    return link;
}

LinkSettings viaController(int linkType = 1) {
    LinkSettings link = direct();
    link.linkType = linkType;
    return link;
}

TEST(Frame, RequestFrames) {
    struct Row {
        std::size_t index;
        std::string params;
        LinkSettings link;
        std::string frame;
        char end;
    };
    for (const Row& r : {
             Row{122, "", direct(), "#!276\r", '\r'},
             Row{101, "", direct(), "&0MVF9\n", '\n'},
             Row{51, "", direct(), "#000Q7K2MS58\r", '\r'},
             Row{9, "", direct(), "@G1234@91\r", '\r'},
             Row{51, "", viaController(1), "&0P#000Q7K2MS58\r78\n", '\n'},
             Row{51, "", viaController(2), "&0P#000Q7K2MS58\r78\n", '\n'},
             // Card reader and controller frames are never wrapped; the reply still ends
             // in LF through a controller.
             Row{122, "", viaController(), "#!276\r", '\n'},
             Row{101, "", viaController(), "&0MVF9\n", '\n'},
         }) {
        EXPECT_EQ(buildRequestFrame(r.index, r.params, r.link), r.frame) << r.index;
        EXPECT_EQ(awaitedEndChar(r.index, r.link), r.end) << r.index;
    }
    for (std::size_t empty : {14u, 99u, 142u, 255u}) {
        EXPECT_FALSE(buildRequestFrame(empty, "", direct())) << empty;
    }
}

TEST(Frame, ParametersGoBetweenCodeAndChecksum) {
    const std::optional<std::string> frame = buildRequestFrame(31, "ABCDE", direct());
    ASSERT_TRUE(frame);
    EXPECT_EQ(frame->substr(0, 14), "#000Q7K2MPABCD");
    EXPECT_TRUE(verifyChecksum(frame->substr(0, frame->size() - 1) + "x"));
}

TEST(Frame, VerifyChecksum) {
    for (auto [text, valid] : {std::pair{"~!2A547\r", true},
                               {"#!276\r", true},
                               {"#!276x", true},  // the last character is not checked
                               {"~!2A5c7\r", false},
                               {"~0J155e\n", true},
                               {"~0J155E\n", true},
                               {"~0J155G\n", false},
                               {"~0J15 E\n", false},
                               {"5E\r", false},
                               {"00\r", true},
                               {"0\r", false},
                               {"", false}}) {
        EXPECT_EQ(verifyChecksum(text), valid) << text;
    }
    EXPECT_EQ(appendChecksum('#', "!2", '\r'), "#!276\r");
}

TEST(Frame, SubstringIsCutAtTheEnds) {
    for (auto [pos, length, part] : {std::tuple{0L, 3L, "abc"},
                                     {3L, 10L, "def"},
                                     {6L, 1L, ""},
                                     {9L, 1L, ""},
                                     {2L, -1L, ""},
                                     {-1L, 2L, ""},
                                     {1L, 0L, ""}}) {
        EXPECT_EQ(substringAt("abcdef", pos, length), part) << pos << "," << length;
    }
}

struct ReplyRow {
    const char* name;
    std::size_t index;
    LinkSettings link;
    std::string reply;
    ReplyFault fault;
};

void PrintTo(const ReplyRow& row, std::ostream* out) {
    *out << row.name;
}

class ReplyCheckTest : public ::testing::TestWithParam<ReplyRow> {};

TEST_P(ReplyCheckTest, Verdict) {
    const ReplyRow& r = GetParam();
    LayoutRecord record;
    EXPECT_EQ(checkReply(r.index, r.reply, r.link, &record), r.fault);
}

LinkSettings atAddress(int address) {
    LinkSettings link = direct();
    link.address = address;
    return link;
}

INSTANTIATE_TEST_SUITE_P(
    Replies, ReplyCheckTest,
    ::testing::Values(
        ReplyRow{"Meter", 51, direct(), "~000S00A1B2C3D4E50F\r", ReplyFault::None},
        ReplyRow{"LowerCaseChecksum", 51, direct(), "~000S00A1B2C3D4E50f\r", ReplyFault::None},
        ReplyRow{"BadChecksum", 51, direct(), "~000S00A1B2C3D4E50E\r", ReplyFault::WrongMeterReply},
        ReplyRow{"OtherAddress", 51, direct(), "~007S00A1B2C3D4E516\r",
                 ReplyFault::WrongMeterReply},
        ReplyRow{"OwnAddress7", 51, atAddress(7), "~007S00A1B2C3D4E516\r", ReplyFault::None},
        ReplyRow{"OtherCode", 49, direct(), "~000S00A1B2C3D4E50F\r", ReplyFault::WrongMeterReply},
        ReplyRow{"NewAddressAnswersAddressChange", 30, direct(), "~123AYAE\r", ReplyFault::None},
        ReplyRow{"Refused", 31, direct(), "~000PNAC\r", ReplyFault::MeterRefused},
        ReplyRow{"RefusedWithQuestionMark", 31, direct(), "~000P?9D\r", ReplyFault::MeterRefused},
        ReplyRow{"Acknowledged", 31, direct(), "~000PYB7\r", ReplyFault::None},
        ReplyRow{"NeitherYesNorNo", 31, direct(), "~000PXB6\r", ReplyFault::WrongMeterReply},
        ReplyRow{"EndsInLf", 31, direct(), "~000PYB7\n", ReplyFault::WrongMeterReply},
        ReplyRow{"TooShort", 31, direct(), "~0\r", ReplyFault::WrongMeterReply},
        ReplyRow{"CardReader", 122, direct(), "~!2A547\r", ReplyFault::None},
        ReplyRow{"ControllerRefused", 107, direct(), "~0JN46\n", ReplyFault::ControllerRefused},
        ReplyRow{"ControllerNOfOtherLength", 107, direct(), "~0JNN94\n",
                 ReplyFault::WrongControllerReply},
        ReplyRow{"Controller", 107, direct(), "~0J155E\n", ReplyFault::None},
        ReplyRow{"OtherController", 107, direct(), "~1J155F\n", ReplyFault::WrongControllerReply},
        ReplyRow{"Wrapped", 51, viaController(), "~0P~000S00A1B2C3D4E50F\r90\n", ReplyFault::None},
        ReplyRow{"WrappedBadOuterChecksum", 51, viaController(), "~0P~000S00A1B2C3D4E50F\r91\n",
                 ReplyFault::WrongControllerFrame},
        ReplyRow{"NotWrapped", 51, viaController(), "~000S00A1B2C3D4E50F\r",
                 ReplyFault::WrongControllerFrame},
        ReplyRow{"WrappedCardReader", 122, viaController(2), "~0P~!2A547\rBD\n", ReplyFault::None}),
    [](const auto& test) { return test.param.name; });

TEST(ReplyCheck, DecodedValuesReachTheRecord) {
    LayoutRecord record;
    ASSERT_EQ(checkReply(51, "~0P~000S00A1B2C3D4E50F\r90\n", viaController(), &record),
              ReplyFault::None);
    const auto* serial = std::get_if<SerialNumber>(&record);
    ASSERT_NE(serial, nullptr);
    EXPECT_EQ(serial->serialHigh, 0x00A1);
    EXPECT_EQ(serial->serialLow, 0xB2C3D4E5u);
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
        LinkSettings link = direct();
        link.linkType = pick(3);
        std::string body;
        for (int n = pick(100); n > 0; --n) {
            body +=
                pick(4) == 0 ? static_cast<char>(pick(256)) : alphabet[pick(int(alphabet.size()))];
        }
        std::string reply;
        switch (pick(3)) {
            case 0:  // a well-formed meter, card or controller frame around the body
                reply = appendChecksum('~', "000" + std::string(commandSlot(index).code) + body,
                                       pick(2) ? '\r' : '\n');
                break;
            case 1:  // the same inside a controller frame
                reply = appendChecksum(
                    '~',
                    "0P" + appendChecksum('~', "000" + std::string(commandSlot(index).code) + body,
                                          '\r'),
                    '\n');
                break;
            default:
                reply = body;
        }
        LayoutRecord first;
        LayoutRecord second;
        const ReplyFault verdict = checkReply(index, reply, link, &first);
        ASSERT_EQ(checkReply(index, reply, link, &second), verdict) << index << " " << reply;
        ASSERT_EQ(first.index(), second.index());
    }
}

}  // namespace
}  // namespace quillet
