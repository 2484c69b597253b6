#pragma once

#include <cstddef>
#include <string>

#include "protocol/LayoutRecords.h"
#include "protocol/RecordFields.h"

namespace quillet::testing {

// A command of the table with its parameters.
struct CommandCall {
    std::size_t index;
    LayoutRecord params;
};

// A decoded reply as one comparable text: its type and every field.
inline std::string recordText(const LayoutRecord& record) {
    std::string text = std::to_string(record.index());
    visitFields(record, [&text](std::string_view name, const FieldValue& value) {
        text += ' ' + std::string(name) + '=' + fieldText(value);
    });
    return text;
}

}  // namespace quillet::testing
