#pragma once

#include <string>

#include "cli/Reads.h"

// The reads of the command line, one file each in cli/reads/.
namespace quillet::cli {

// Arguments of a read that takes none.
std::string noArgs(ReadArgs args);

std::string checkServiceArgs(ReadArgs args);
void runService(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkClockArgs(ReadArgs args);
void runClock(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkReadingsArgs(ReadArgs args);
void runReadings(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkGraphArgs(ReadArgs args);
void runGraph(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkScheduleArgs(ReadArgs args);
void runSchedule(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkHolidaysArgs(ReadArgs args);
void runHolidays(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkThresholdsArgs(ReadArgs args);
void runThresholds(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkDisplayArgs(ReadArgs args);
void runDisplay(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkTariffsArgs(ReadArgs args);
void runTariffs(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);
std::string checkPaymentArgs(ReadArgs args);
void runPayment(RecordingRunner& runner, ReadArgs args, MeterReport& report, std::string* body);

}  // namespace quillet::cli
