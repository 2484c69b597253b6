#pragma once

#include "app/TabPage.h"

class QCheckBox;
class QComboBox;
class QLineEdit;

namespace quillet {

// The "Связь" tab: port, speed, reply time-out, link type and error reports. It keeps
// nothing of its own; the values go to the settings and the port when the page is left.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ConnectionPage : public TabPage {
public:
    static constexpr int kTemplateId = 130;
    enum ControlId {
        kPortId = 1013,
        kBaudId = 1014,
        kTimeoutId = 1050,
        kLinkTypeId = 1015,
        kErrorReportId = 1058,
    };

    explicit ConnectionPage(QWidget* parent);
    // Applies once more (its message may show), as leaving the page does.
    ~ConnectionPage() override;

    bool apply() override;

private:
    void createControls();
    void loadValues();

    QComboBox* port_ = nullptr;
    QComboBox* baud_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QComboBox* linkType_ = nullptr;
    QCheckBox* errorReport_ = nullptr;
};

}  // namespace quillet
