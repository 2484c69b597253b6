#include "meter/AppSettings.h"

namespace quillet {

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
