#pragma once

#include <cstdio>
#include <optional>
#include <string>
#include <string_view>

// What the table reads share: a month on the command line, and the "hh:mm" and "DD/MM"
// of scripts.
namespace quillet::cli {

// "3" or "03" .. "12"; empty for anything else.
inline std::optional<int> parseMonthArg(std::string_view text) {
    if (text.empty() || text.size() > 2 ||
        text.find_first_not_of("0123456789") != std::string_view::npos) {
        return std::nullopt;
    }
    const int month = std::stoi(std::string(text));
    return month >= 1 && month <= 12 ? std::optional(month) : std::nullopt;
}

inline std::string badMonthMessage(std::string_view text) {
    return "MONTH must be a number from 1 to 12, not \"" + std::string(text) + "\"";
}

// Two numbers of two digits at least around `separator`: "hh:mm", "DD/MM".
inline std::string twoDigits(int first, char separator, int second) {
    char text[32];
    std::snprintf(text, sizeof text, "%02d%c%02d", first, separator, second);
    return text;
}

inline std::string clockTime(int hours, int minutes) {
    return twoDigits(hours, ':', minutes);
}

inline std::string dayMonth(int day, int month) {
    return twoDigits(day, '/', month);
}

}  // namespace quillet::cli
