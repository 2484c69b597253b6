// Time to render a full exchange log, as the exchange log page does on every showing.
//
//   bench_log_render [runs]      (default 200; QT_QPA_PLATFORM picks the platform)
//
// Fills the 16 KiB ring past its end with request frames and their replies (some with
// Cyrillic bytes and line noise), then prints the median and worst time of the pure
// rendering and of the whole showing (rendering, conversion, text into the field).

#include <QApplication>
#include <QElapsedTimer>
#include <QPlainTextEdit>
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "pages/link/ExchangeLogPage.h"
#include "protocol/CommandTable.h"
#include "protocol/Cp1251.h"
#include "protocol/Frame.h"

namespace {

using quillet::ExchangeLog;

void fillToWrap(ExchangeLog& log) {
    quillet::LinkSettings link{"Q7K2M", "Q7K2M", 1, '0', 0};
    const std::string cyrillic = quillet::utf8ToCp1251("Ошибка");
    for (std::size_t round = 0; !log.wrapped() || log.writePosition() < 8000; ++round) {
        const std::size_t command = round % quillet::kCommandCount;
        const auto request = quillet::buildRequestFrame(command, "0512", link);
        if (!request) {
            continue;
        }
        log.appendRecordStart(static_cast<std::uint8_t>(command));
        log.append({reinterpret_cast<const std::uint8_t*>(request->data()), request->size()});
        std::string reply = quillet::appendChecksum('~', "001S00000000001234", '\r');
        if (round % 7 == 0) {
            reply = "\x07\x1f" + cyrillic + reply;  // noise before the start character
        }
        log.appendRecordStart(ExchangeLog::kReplyTag);
        log.append({reinterpret_cast<const std::uint8_t*>(reply.data()), reply.size()});
    }
}

struct Figures {
    double medianMs;
    double worstMs;
};

template <typename Run>
Figures timeRuns(int runs, Run run) {
    std::vector<double> ms;
    ms.reserve(static_cast<std::size_t>(runs));
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        run();
        ms.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    std::sort(ms.begin(), ms.end());
    return {ms[ms.size() / 2], ms.back()};
}

}  // namespace

int main(int argc, char** argv) {
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    QApplication qt(argc, argv);
    const int runs = argc > 1 ? std::max(1, std::atoi(argv[1])) : 200;

    ExchangeLog log;
    fillToWrap(log);
    const ExchangeLog::Snapshot snapshot = log.snapshot();

    std::size_t length = 0;
    const Figures render =
        timeRuns(runs, [&] { length = quillet::renderExchangeLog(snapshot).size(); });

    QPlainTextEdit field;
    field.resize(640, 240);
    field.show();
    const Figures show = timeRuns(runs, [&] {
        QString text =
            QString::fromStdString(quillet::cp1251ToUtf8(quillet::renderExchangeLog(snapshot)));
        text.remove(QLatin1Char('\r'));
        field.setPlainText(text);
        field.moveCursor(QTextCursor::End);
        QCoreApplication::processEvents();
    });

    std::printf("log %zu bytes (wrapped, write position %zu), text %zu bytes, %d runs\n",
                ExchangeLog::kCapacity, snapshot.writePosition, length, runs);
    std::printf("render:        median %.3f ms, worst %.3f ms\n", render.medianMs, render.worstMs);
    std::printf("render + show: median %.3f ms, worst %.3f ms\n", show.medianMs, show.worstMs);
    std::printf("target: under 20 ms: %s\n", render.medianMs < 20.0 ? "met" : "MISSED");
    return render.medianMs < 20.0 ? 0 : 1;
}
