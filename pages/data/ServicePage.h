#pragma once

#include <QString>
#include <array>
#include <cstddef>

#include "app/TabPage.h"

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
    static constexpr std::size_t kSelfTest = 33;
    static constexpr std::size_t kReadVersion = 49;
    static constexpr std::size_t kReadSerial = 51;
    static constexpr std::size_t kReadCoverOpened = 52;
    static constexpr std::size_t kReadPowerOn = 53;
    static constexpr std::size_t kReadPowerOff = 54;
    static constexpr std::size_t kGroupCommandResult = 35;

    static constexpr std::size_t kFieldCount = 7;

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
