#pragma once

#include "app/TabPage.h"
#include "meter/RemoteDial.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class HistoryComboBox;

// The tab "Модем": the modem link's settings (kept in AppSettings) and the buttons that
// dial the remote controller, hang up, test the controller and run a remote modem command.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ModemPage : public TabPage {
public:
    static constexpr int kTemplateId = 149;

    static constexpr int kInitId = 1073;
    static constexpr int kPrefixId = 1086;
    static constexpr int kNumberId = 1060;
    static constexpr int kModEnableId = 1090;
    static constexpr int kModCommandId = 1085;
    static constexpr int kModTimeId = 1051;
    static constexpr int kDialId = 1087;
    static constexpr int kHangUpId = 1088;
    static constexpr int kTestId = 1089;
    static constexpr int kExecuteId = 1091;

    static constexpr int kMaxLineLength = 30;
    static constexpr int kMinModTime = 1;
    static constexpr int kMaxModTime = 15;

    // Commands of the controller group.
    static constexpr int kControllerTest = 100;
    static constexpr int kRemoteModemCommand = static_cast<int>(RemoteDial::kRemoteModemCommand);

    explicit ModemPage(QWidget* parent);
    ~ModemPage() override;

    bool apply() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    void dial();
    void hangUp();
    void test();
    void execute();

private:
    void createControls();
    void setButtonsEnabled(bool enabled);
    // Checks the entries; with `report`, a refused one is shown. Stores them when all pass.
    bool applyModemSettings(bool report);

    QLineEdit* init_ = nullptr;
    QLineEdit* prefix_ = nullptr;
    HistoryComboBox* number_ = nullptr;
    QCheckBox* modEnable_ = nullptr;
    QLineEdit* modCommand_ = nullptr;
    QLineEdit* modTime_ = nullptr;
    QPushButton* buttons_[4] = {};
};

}  // namespace quillet
