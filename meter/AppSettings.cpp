#include "meter/AppSettings.h"

#include <algorithm>

namespace quillet {

namespace {

bool isAsciiLetterOrDigit(char c) {
    return (c >= '0' && c <= '9') || (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z');
}

bool isLetterOrDigitText(std::string_view text, std::size_t length) {
    return text.size() == length && std::all_of(text.begin(), text.end(), isAsciiLetterOrDigit);
}

}  // namespace

bool AppSettings::isValidPassword(std::string_view text) {
    return isLetterOrDigitText(text, kPasswordLength);
}

bool AppSettings::isValidControllerAddress(std::string_view text) {
    return isLetterOrDigitText(text, 1);
}

LinkSettings AppSettings::link() const {
    LinkSettings link;
    link.groupPassword = groupPassword;
    link.privatePassword = privatePassword;
    link.address = address;
    link.controllerAddress = controllerAddress.empty() ? '0' : controllerAddress.front();
    link.linkType = linkType;
    return link;
}

}  // namespace quillet
