#pragma once

#include <QString>

#include "app/TabPage.h"

class QCheckBox;
class QLineEdit;
class QPushButton;

namespace quillet {

// The tab "Контролер-модем": the initialisation string and the time-out that the
// controller keeps for its own modem, read and written row by row.
// No Q_OBJECT: the page adds no signals or slots of its own.
class ControllerModemPage : public TabPage {
public:
    static constexpr int kTemplateId = 150;

    static constexpr int kUseInitId = 1077;
    static constexpr int kInitId = 1073;
    static constexpr int kUseTimeoutId = 1078;
    static constexpr int kTimeoutId = 1050;
    static constexpr int kRestoreId = 1076;

    static constexpr int kMaxInitLength = 30;
    static constexpr int kMinTimeout = 1;
    static constexpr int kMaxTimeout = 60;

    static constexpr int kReadInit = 104;
    static constexpr int kWriteInit = 105;
    static constexpr int kRestoreInit = 106;
    static constexpr int kReadTimeout = 107;
    static constexpr int kWriteTimeout = 108;

    // What the page shows; it outlives the page, so a tab change keeps it.
    struct Values {
        bool useInit = true;
        bool useTimeout = true;
        QString initText;
        QString timeoutText = QStringLiteral("1");
    };
    static Values& values();

    explicit ControllerModemPage(QWidget* parent);
    ~ControllerModemPage() override;

    void readFromDevice() override;
    void writeToDevice() override;
    void onExchangeBegin() override;
    void onExchangeEnd() override;

    void restoreFromMemory();

private:
    void createControls();
    void toControls();
    void fromControls();

    QCheckBox* useInit_ = nullptr;
    QLineEdit* init_ = nullptr;
    QCheckBox* useTimeout_ = nullptr;
    QLineEdit* timeout_ = nullptr;
    QPushButton* restore_ = nullptr;
};

}  // namespace quillet
