#pragma once

#include <cctype>
#include <cstddef>
#include <cstdint>
#include <cstring>
#include <functional>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quillet::fuzz {

// A data file's lines as the window's file reader gives them: CR LF and a lone LF both
// end a line, the end of the file ends the last one; the header is the lines up to and
// including the first empty one.
class DataFileLines {
public:
    DataFileLines(const std::uint8_t* data, std::size_t size)
        : bytes_(reinterpret_cast<const char*>(data), size) {}
    explicit DataFileLines(std::string_view bytes) : bytes_(bytes) {}

    std::optional<std::string> next() {
        if (pos_ >= bytes_.size()) {
            return std::nullopt;
        }
        std::size_t end = bytes_.find('\n', pos_);
        const std::size_t following = end == std::string_view::npos ? bytes_.size() : end + 1;
        if (end == std::string_view::npos) {
            end = bytes_.size();
        }
        if (end > pos_ && bytes_[end - 1] == '\r') {
            --end;
        }
        std::string line(bytes_.substr(pos_, end - pos_));
        pos_ = following;
        return line;
    }

    void skipHeader() {
        while (const std::optional<std::string> line = next()) {
            if (line->empty()) {
                return;
            }
        }
    }

    // What the readers take.
    std::function<std::optional<std::string>()> reader() {
        return [this] { return next(); };
    }

    // The lines after the header, as many as `count` (fewer at the end of the file).
    static std::vector<std::string> bodyLines(std::string_view bytes, std::size_t count) {
        DataFileLines file(bytes);
        file.skipHeader();
        std::vector<std::string> lines;
        while (lines.size() < count) {
            std::optional<std::string> line = file.next();
            if (!line) {
                break;
            }
            lines.push_back(std::move(*line));
        }
        return lines;
    }

private:
    std::string_view bytes_;
    std::size_t pos_ = 0;
};

// A file of `body` (as a model's fileBody() gives it) after an empty header.
inline std::string fileWithBody(const std::string& body) {
    return "\n" + body;
}

// Days of months 1..12 without a year: 29 February counts.
inline bool isDayOfMonth(long long day, long long month) {
    static constexpr int kDays[] = {31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month >= 1 && month <= 12 && day >= 1 && day <= kDays[month - 1];
}

// The C library's scanf overflows on long digit runs where the readers clamp: only lines
// without one are compared with it.
inline bool fitsScanf(const std::string& line) {
    std::size_t run = 0;
    for (const char c : line) {
        run = std::isdigit(static_cast<unsigned char>(c)) != 0 ? run + 1 : 0;
        if (run > 9) {
            return false;
        }
    }
    return true;
}

// Equal to the bit, so -0 and 0 differ and a NaN equals itself.
inline bool sameBits(double a, double b) {
    return std::memcmp(&a, &b, sizeof a) == 0;
}

}  // namespace quillet::fuzz
