#pragma once

#include <QString>

#include "app/TabPage.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class HistoryComboBox;

// The tab "Контролер": the controller's address, its test, version and the outcome of its
// last command, and the change of its exchange speed.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ControllerPage : public TabPage {
public:
    static constexpr int kTemplateId = 148;

    static constexpr int kAddressId = 1049;
    static constexpr int kCurrentRateId = 1080;
    static constexpr int kNewRateId = 1084;
    static constexpr int kChangeId = 1082;
    static constexpr int kTestId = 1047;
    static constexpr int kVersionId = 1048;
    static constexpr int kLastCommandId = 1051;

    static constexpr int kSelfTest = 100;
    static constexpr int kReadVersion = 101;
    static constexpr int kLastCommand = 102;
    static constexpr int kSetSpeed = 103;

    explicit ControllerPage(QWidget* parent);

    bool apply() override;
    void readFromDevice() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    void changeSpeed();

private:
    void createControls();
    void showValues();
    void setControlsEnabled(bool enabled);

    int currentRate_ = 0;
    QString testText_ = QStringLiteral("-");
    QString versionText_ = QStringLiteral("-");
    QString lastCommandText_ = QStringLiteral("-");

    HistoryComboBox* address_ = nullptr;
    QLineEdit* currentRateEdit_ = nullptr;
    QComboBox* newRate_ = nullptr;
    QPushButton* change_ = nullptr;
    QLineEdit* testEdit_ = nullptr;
    QLineEdit* versionEdit_ = nullptr;
    QLineEdit* lastCommandEdit_ = nullptr;
};

}  // namespace quillet
