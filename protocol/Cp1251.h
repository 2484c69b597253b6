#pragma once

#include <string>
#include <string_view>

namespace quillet {

// Windows-1251 is the code page of the line, the data files and the exchange log; the
// program itself works in UTF-8 and converts at those edges.

// Every byte has a character (0x98, unassigned, maps to U+0098), so this never fails.
std::string cp1251ToUtf8(std::string_view bytes);

// Characters without a Windows-1251 byte, and malformed UTF-8, become `replacement`.
std::string utf8ToCp1251(std::string_view text, char replacement = '?');

// True when every character of `text` has a Windows-1251 byte.
bool isCp1251Encodable(std::string_view text);

}  // namespace quillet
