#pragma once

#include <functional>
#include <span>
#include <string>
#include <string_view>
#include <variant>
#include <vector>

#include "protocol/LayoutRecords.h"

namespace quillet {

// The fields of the layout records as text tools see them: one word a value, named in
// lowerCamel ASCII with dots for parts ("halfPeakStart.hours") and array elements counted
// from 1 ("modes.3", "peaks.2.durationMin").
//
// Words: whole numbers in decimal within the range of the field's type; flags 0 or 1;
// numbers in decimal or exponent form ("-0.5", "12e3"), finite, with a point whatever the
// locale; texts as they are, printable ASCII only (the line carries no other request
// text); byte strings as two hexadecimal digits a byte, "0A1F" (an empty word is none).

// One value: a flag, a whole number, a number or a text (UTF-8; byte strings as their
// hexadecimal word).
using FieldValue = std::variant<bool, long long, double, std::string>;

// A record shared by a request and a reply may hold values only the reply carries.
enum class FieldSet {
    All,
    Request,  // the values a request sends
};

// The names of the fields of the record type `record` holds, in the record's order.
std::vector<std::string> fieldNames(const LayoutRecord& record, FieldSet set = FieldSet::All);

// Reads one word for each field of `set` into `record`, which keeps its type. Empty when
// every word fits; otherwise an English message naming the field, with `record` as it was.
std::string parseFields(std::span<const std::string> words, LayoutRecord& record,
                        FieldSet set = FieldSet::Request);

// Calls `visit` with each field of `record`, in the record's order.
void visitFields(const LayoutRecord& record,
                 const std::function<void(std::string_view name, const FieldValue& value)>& visit);

// A value as the word parseFields reads back: flags as 0 or 1, numbers in the shortest
// form that reads back exactly.
std::string fieldText(const FieldValue& value);

}  // namespace quillet
