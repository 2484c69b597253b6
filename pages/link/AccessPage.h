#pragma once

#include <functional>

#include "app/TabPage.h"

class QComboBox;
class QLineEdit;
class QPushButton;

namespace quillet {

class HistoryComboBox;

// The "Доступ к счетчику" tab: the passwords, address and category the program addresses
// a meter with (current column, with histories) and the buttons that write new ones, or
// a new exchange speed, into the meters. The current values live in the settings.
// No Q_OBJECT: the page adds no signals or slots of its own.
class AccessPage : public TabPage {
public:
    static constexpr int kTemplateId = 134;
    enum ControlId {
        kGroupPasswordId = 1018,
        kPrivatePasswordId = 1020,
        kAddressId = 1019,
        kCategoryId = 1021,
        kCurrentRateId = 1014,
        kNewGroupPasswordId = 1026,
        kNewPrivatePasswordId = 1027,
        kNewAddressId = 1028,
        kNewCategoryId = 1029,
        kNewRateId = 1030,
        kChangeGroupPasswordId = 1022,
        kChangePrivatePasswordId = 1023,
        kChangeAddressId = 1024,
        kChangeCategoryId = 1025,
        kChangeRateId = 1031,
    };

    explicit AccessPage(QWidget* parent);
    // Applies once more (its messages may show) and saves the four histories.
    ~AccessPage() override;

    void readFromDevice() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;
    bool apply() override;

    // Five letters or digits.
    static bool isValidPassword(const QString& text);

private:
    void createControls();
    void loadValues();
    // Runs `work` between the requests that bracket a device operation.
    void bracketed(const std::function<void()>& work);
    void changeGroupPassword();
    void changePrivatePassword();
    void changeAddress();
    void changeCategory();
    void changeRate();
    void setExchangeControlsEnabled(bool enabled);

    HistoryComboBox* groupPassword_ = nullptr;
    HistoryComboBox* privatePassword_ = nullptr;
    HistoryComboBox* address_ = nullptr;
    HistoryComboBox* category_ = nullptr;
    QLineEdit* currentRate_ = nullptr;
    QLineEdit* newGroupPassword_ = nullptr;
    QLineEdit* newPrivatePassword_ = nullptr;
    QLineEdit* newAddress_ = nullptr;
    QLineEdit* newCategory_ = nullptr;
    QComboBox* newRate_ = nullptr;
    QPushButton* changeGroupPasswordButton_ = nullptr;
    QPushButton* changePrivatePasswordButton_ = nullptr;
    QPushButton* changeAddressButton_ = nullptr;
    QPushButton* changeCategoryButton_ = nullptr;
    QPushButton* changeRateButton_ = nullptr;
};

}  // namespace quillet
