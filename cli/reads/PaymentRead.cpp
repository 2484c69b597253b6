#include <array>

#include "cli/reads/ReadFunctions.h"
#include "cli/reads/ReportFields.h"
#include "meter/Payments.h"

namespace quillet::cli {

namespace {

// In the order of the rows.
constexpr std::array<const char*, PaymentValues::kRowCount> kRowKeys = {"halfPeak", "offPeak",
                                                                        "peak", "credit"};

// A row the meter has no payment in has neither date nor balance; nothing failed for it,
// so its fields are missing without a failure and "paid" tells it apart.
void addRow(ReportFields& fields, std::size_t step, const PaymentRow& row) {
    const std::string key = kRowKeys[step];
    const std::string name = row.name;
    fields.add(step, key + ".paid", name, row.known() ? Value(row.paid()) : Value(),
               row.known() ? (row.paid() ? "оплачено" : PaymentRow::kUnpaid) : "-");
    fields.add(step, key + ".date", name + " — " + PaymentValues::kDateTitle,
               row.paid() ? Value(isoDate(row.day, row.month, row.year)) : Value(), row.dateText());
    fields.add(step, key + ".balance", name + " — " + PaymentValues::kBalanceTitle,
               row.paid() ? Value(row.balance) : Value(), row.balanceText());
}

}  // namespace

std::string checkPaymentArgs(ReadArgs args) {
    return noArgs(args);
}

void runPayment(RecordingRunner& runner, ReadArgs, MeterReport& report, std::string*) {
    PaymentValues payments;
    payments.read(runner);
    ReportFields fields(report, runner);
    for (std::size_t i = 0; i < PaymentValues::kRowCount; ++i) {
        addRow(fields, i, payments.rows[i]);
    }
    const std::optional<int>& mode = payments.loadMode;
    fields.add(PaymentValues::kLoadModeItem, "loadMode", PaymentValues::kLoadModeLabel,
               valueOf(mode),
               mode ? PaymentValues::kLoadModes[static_cast<std::size_t>(*mode)] : "");
    report.complete = runner.allSucceeded();
}

}  // namespace quillet::cli
