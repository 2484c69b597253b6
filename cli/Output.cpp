#include "cli/Output.h"

#include <cmath>
#include <cstdio>
#include <vector>

namespace quillet::cli {

namespace {

std::string jsonValue(const Value& value) {
    if (std::holds_alternative<std::monostate>(value)) {
        return "null";
    }
    if (const auto* text = std::get_if<std::string>(&value)) {
        return jsonString(*text);
    }
    if (const auto* number = std::get_if<double>(&value); number && !std::isfinite(*number)) {
        return "null";  // JSON has no infinities
    }
    return valueText(value);
}

// The fields of a report as nested objects: a dot in a key opens a level.
struct JsonNode {
    std::string name;
    const Field* field = nullptr;
    std::vector<JsonNode> children;

    JsonNode& child(std::string_view childName) {
        for (JsonNode& c : children) {
            if (c.name == childName) {
                return c;
            }
        }
        children.push_back({std::string(childName), nullptr, {}});
        return children.back();
    }

    void add(const Field& f) {
        JsonNode* node = this;
        std::string_view rest = f.key;
        for (std::size_t dot; (dot = rest.find('.')) != std::string_view::npos;) {
            node = &node->child(rest.substr(0, dot));
            rest.remove_prefix(dot + 1);
        }
        node->child(rest).field = &f;
    }

    std::string render() const {
        if (children.empty()) {
            return field != nullptr ? jsonValue(field->value) : "null";
        }
        std::string text = "{";
        // A key that is both a value and a level keeps the value under "value".
        if (field != nullptr) {
            text += "\"value\": " + jsonValue(field->value) + ", ";
        }
        for (std::size_t i = 0; i < children.size(); ++i) {
            text +=
                (i > 0 ? ", " : "") + jsonString(children[i].name) + ": " + children[i].render();
        }
        return text + "}";
    }
};

class JsonWriter final : public ReportWriter {
public:
    explicit JsonWriter(std::ostream& out) : out_(out) {}

    void begin(std::string_view what) override {
        out_ << "{\"read\": " << jsonString(what) << ", \"meters\": [";
    }

    void write(const MeterReport& report) override {
        JsonNode values;
        std::string failures;
        for (const Field& f : report.fields) {
            values.add(f);
            if (std::holds_alternative<std::monostate>(f.value) && !f.failure.empty()) {
                failures += (failures.empty() ? "" : ", ") + jsonString(f.key) + ": " +
                            jsonString(f.failure);
            }
        }
        out_ << (first_ ? "\n" : ",\n") << "  {\"address\": " << report.address
             << ", \"complete\": " << (report.complete ? "true" : "false")
             << ", \"values\": " << (report.fields.empty() ? "{}" : values.render())
             << ", \"failures\": {" << failures << "}}";
        out_.flush();
        first_ = false;
    }

    void end(const std::string& error) override {
        out_ << (first_ ? "]" : "\n]");
        if (!error.empty()) {
            out_ << ", \"error\": " << jsonString(error);
        }
        out_ << "}\n";
    }

private:
    std::ostream& out_;
    bool first_ = true;
};

// Messages keep their line breaks in JSON; a line of text or CSV gets them as spaces.
std::string oneLine(std::string_view text) {
    std::string line;
    bool inBreak = false;
    for (const char c : text) {
        if (c == '\r' || c == '\n') {
            inBreak = true;
            continue;
        }
        if (inBreak && !line.empty()) {
            line += ' ';
        }
        inBreak = false;
        line += c;
    }
    return line;
}

class CsvWriter final : public ReportWriter {
public:
    explicit CsvWriter(std::ostream& out) : out_(out) {}

    void begin(std::string_view) override { out_ << "address,key,value,failure\r\n"; }

    void write(const MeterReport& report) override {
        for (const Field& f : report.fields) {
            out_ << report.address << ',' << csvCell(f.key) << ','
                 << csvCell(std::holds_alternative<std::monostate>(f.value) ? std::string()
                                                                            : valueText(f.value))
                 << ',' << csvCell(oneLine(f.failure)) << "\r\n";
        }
        out_.flush();
    }

    void end(const std::string&) override {}

private:
    std::ostream& out_;
};

class TextWriter final : public ReportWriter {
public:
    explicit TextWriter(std::ostream& out) : out_(out) {}

    void begin(std::string_view what) override { what_ = what; }

    void write(const MeterReport& report) override {
        char head[32];
        std::snprintf(head, sizeof head, "%03d", report.address);
        out_ << "Адрес " << head << ": " << what_ << '\n';
        for (const Field& f : report.fields) {
            out_ << "  " << (f.label.empty() ? f.key : f.label) << ": " << f.text;
            if (!f.failure.empty()) {
                out_ << "  [" << oneLine(f.failure) << ']';
            }
            out_ << '\n';
        }
        out_.flush();
    }

    void end(const std::string&) override {}

private:
    std::ostream& out_;
    std::string what_;
};

}  // namespace

std::string jsonString(std::string_view text) {
    std::string quoted = "\"";
    for (const char c : text) {
        switch (c) {
            case '"':
                quoted += "\\\"";
                break;
            case '\\':
                quoted += "\\\\";
                break;
            case '\n':
                quoted += "\\n";
                break;
            case '\r':
                quoted += "\\r";
                break;
            case '\t':
                quoted += "\\t";
                break;
            default:
                if (static_cast<unsigned char>(c) < 0x20) {
                    char escaped[8];
                    std::snprintf(escaped, sizeof escaped, "\\u%04x", c);
                    quoted += escaped;
                } else {
                    quoted += c;
                }
        }
    }
    return quoted + '"';
}

std::string csvCell(std::string_view text) {
    if (text.find_first_of(",\"\r\n") == std::string_view::npos) {
        return std::string(text);
    }
    std::string quoted = "\"";
    for (const char c : text) {
        quoted += c == '"' ? std::string("\"\"") : std::string(1, c);
    }
    return quoted + '"';
}

std::string valueText(const Value& value) {
    struct Visitor {
        std::string operator()(std::monostate) const { return {}; }
        std::string operator()(bool flag) const { return flag ? "true" : "false"; }
        std::string operator()(long long number) const { return std::to_string(number); }
        std::string operator()(double number) const {
            // Twelve digits hold more than any meter gives and drop the dust of the
            // computations (2 x 0.23 = 0.46000000000000085).
            char digits[32];
            std::snprintf(digits, sizeof digits, "%.12g", number);
            return digits;
        }
        std::string operator()(const std::string& text) const { return text; }
    };
    return std::visit(Visitor{}, value);
}

std::unique_ptr<ReportWriter> makeReportWriter(OutputFormat format, std::ostream& out) {
    switch (format) {
        case OutputFormat::Json:
            return std::make_unique<JsonWriter>(out);
        case OutputFormat::Csv:
            return std::make_unique<CsvWriter>(out);
        case OutputFormat::Text:
            break;
    }
    return std::make_unique<TextWriter>(out);
}

}  // namespace quillet::cli
