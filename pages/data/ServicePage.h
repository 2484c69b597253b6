#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "app/TabPage.h"
#include "meter/ServiceInfo.h"

class QLineEdit;

namespace quillet {

// The tab "Сервис": what the addressed meter tells about itself — self-test, version,
// serial number, the last cover opening, power-on and power-off, and whether the last
// group command was carried out. Read only; the values go with the page.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ServicePage : public TabPage {
public:
    static constexpr int kTemplateId = 137;

    static constexpr int kTestId = 1036;
    static constexpr int kVersionId = 1037;
    static constexpr int kSerialId = 1038;
    static constexpr int kCoverOpenedId = 1039;
    static constexpr int kPowerOnId = 1040;
    static constexpr int kPowerOffId = 1041;
    static constexpr int kGroupCommandId = 1042;

    // Command slots, in the order the read sends them.
    static constexpr std::size_t kSelfTest = ServiceInfo::kCommands[ServiceInfo::SelfTest];
    static constexpr std::size_t kReadVersion = ServiceInfo::kCommands[ServiceInfo::Version];
    static constexpr std::size_t kReadSerial = ServiceInfo::kCommands[ServiceInfo::Serial];
    static constexpr std::size_t kReadCoverOpened =
        ServiceInfo::kCommands[ServiceInfo::CoverOpened];
    static constexpr std::size_t kReadPowerOn = ServiceInfo::kCommands[ServiceInfo::PowerOn];
    static constexpr std::size_t kReadPowerOff = ServiceInfo::kCommands[ServiceInfo::PowerOff];
    static constexpr std::size_t kGroupCommandResult =
        ServiceInfo::kCommands[ServiceInfo::GroupCommand];

    static constexpr std::size_t kFieldCount = ServiceInfo::kItemCount;

    explicit ServicePage(QWidget* parent);

    void readFromDevice() override;

private:
    void createControls();
    void showValues();

    // In the order of the fields on the page.
    std::array<QString, kFieldCount> values_;
    std::array<QLineEdit*, kFieldCount> edits_{};
};

}  // namespace quillet
