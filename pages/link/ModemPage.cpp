#include "pages/link/ModemPage.h"

#include <QCheckBox>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRegularExpressionValidator>
#include <chrono>
#include <string>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/HistoryComboBox.h"
#include "app/MessageBoxes.h"
#include "app/Transaction.h"
#include "meter/RemoteDial.h"
#include "pages/link/LinkPages.h"
#include "protocol/LayoutRecords.h"
#include "protocol/ValueText.h"
#include "serial/ModemLink.h"

namespace quillet {

namespace {

QString fromUtf8(const std::string& text) {
    return QString::fromStdString(text);
}

void showModemMessage(QWidget* parent, std::string_view caption, ModemResult result) {
    showWarning(parent, QString::fromStdString(modemMessageText(caption, result)));
}

}  // namespace

ModemPage::ModemPage(QWidget* parent) : TabPage(parent) {
    createControls();
    const AppSettings& settings = Application::instance().settings();
    init_->setText(fromUtf8(settings.init));
    prefix_->setText(fromUtf8(settings.numberPrefix));
    modCommand_->setText(fromUtf8(settings.modCommand));
    modTime_->setText(QString::number(settings.modTime));
    modEnable_->setChecked(settings.modEnable != 0);
    number_->load(QStringLiteral("Modem"), QStringLiteral("Number"), QString());
    number_->setEditText(fromUtf8(settings.number));
}

ModemPage::~ModemPage() {
    // The main window asked apply() before leaving, so this normally passes; a message box
    // out of a destructor could not be answered safely, so a refusal here stays quiet.
    applyModemSettings(false);
    number_->save();
}

void ModemPage::createControls() {
    const DialogUnits units(font());

    units.place(new QGroupBox(QStringLiteral("Строка инициализации"), this), 0, 7, 3, 250, 30);
    init_ = new QLineEdit(this);
    units.place(init_, kInitId, 15, 16, 234, 12);

    units.place(new QGroupBox(QStringLiteral("Номер для дозвона"), this), 0, 7, 37, 250, 30);
    units.place(new QLabel(QStringLiteral("Префикс:"), this), 0, 15, 51, 32, 8);
    prefix_ = new QLineEdit(this);
    units.place(prefix_, kPrefixId, 48, 49, 50, 12);
    units.place(new QLabel(QStringLiteral("Номер:"), this), 0, 106, 51, 26, 8);
    number_ = new HistoryComboBox(this);
    number_->setEditable(true);
    units.place(number_, kNumberId, 134, 49, 115, 12);

    units.place(new QGroupBox(QStringLiteral("Связь по командной строке"), this), 0, 7, 71, 250,
                55);
    modEnable_ = new QCheckBox(QStringLiteral("Использовать связь по командной строке"), this);
    units.place(modEnable_, kModEnableId, 15, 82, 200, 10);
    units.place(new QLabel(QStringLiteral("Команда:"), this), 0, 15, 97, 34, 8);
    modCommand_ = new QLineEdit(this);
    units.place(modCommand_, kModCommandId, 72, 95, 177, 12);
    units.place(new QLabel(QStringLiteral("Тайм-аут (мин):"), this), 0, 15, 111, 56, 8);
    modTime_ = new QLineEdit(this);
    // Digits only, as typed; a pasted or stored text is still checked by apply.
    modTime_->setValidator(
        new QRegularExpressionValidator(QRegularExpression(QStringLiteral("[0-9]*")), modTime_));
    units.place(modTime_, kModTimeId, 72, 109, 24, 12);

    struct ButtonEntry {
        int id;
        const char* text;
        void (ModemPage::*action)();
    };
    const ButtonEntry entries[] = {
        {kDialId, "Дозвон", &ModemPage::dial},
        {kHangUpId, "Разрыв", &ModemPage::hangUp},
        {kTestId, "Тест", &ModemPage::test},
        {kExecuteId, "Выполнить...", &ModemPage::execute},
    };
    int y = 8;
    for (std::size_t i = 0; i < std::size(entries); ++i) {
        auto* button = new QPushButton(QString::fromUtf8(entries[i].text), this);
        units.place(button, entries[i].id, 266, y, 56, 14);
        connect(button, &QPushButton::clicked, this, entries[i].action);
        buttons_[i] = button;
        y += 20;
    }
}

bool ModemPage::apply() {
    return applyModemSettings(true);
}

bool ModemPage::applyModemSettings(bool report) {
    const auto refuse = [this, report](const char* message) {
        if (report) {
            showWarning(this, QString::fromUtf8(message));
        }
        return false;
    };
    if (init_->text().size() > kMaxLineLength) {
        return refuse("Неверная строка инициализации модема");
    }
    if (modCommand_->text().size() > kMaxLineLength) {
        return refuse("Неверная команда для удаленного модема");
    }
    const int modTime = textAsInt(modTime_->text().toStdString());
    if (modTime < kMinModTime || modTime > kMaxModTime) {
        return refuse("Неверное время тайм-аута\nДопустимые значения: 1 ... 15 мин");
    }

    AppSettings& settings = Application::instance().settings();
    settings.init = init_->text().toStdString();
    settings.numberPrefix = prefix_->text().toStdString();
    settings.number = number_->currentText().toStdString();
    number_->commit();
    settings.modCommand = modCommand_->text().toStdString();
    settings.modTime = modTime;
    settings.modEnable = modEnable_->isChecked() ? 1 : 0;
    return true;
}

void ModemPage::setButtonsEnabled(bool enabled) {
    for (QPushButton* button : buttons_) {
        button->setEnabled(enabled);
    }
}

void ModemPage::onExchangeBegin() {
    setButtonsEnabled(false);
}

void ModemPage::onExchangeEnd() {
    setButtonsEnabled(true);
}

void ModemPage::dial() {
    if (!apply()) {
        return;
    }
    emit exchangeBeginRequested();
    Application& app = Application::instance();
    ModemLink modem(app.port());
    WindowCommands commands;
    const RemoteDial::Outcome outcome =
        RemoteDial(modem, commands, pauseKeepingWindowAlive).connect(app.settings());
    if (!outcome.caption.empty()) {
        showModemMessage(this, outcome.caption, outcome.result);
    }
    emit exchangeEndRequested();
}

void ModemPage::hangUp() {
    if (!apply()) {
        return;
    }
    emit exchangeBeginRequested();
    ModemLink(Application::instance().port()).modemHangUp();
    emit exchangeEndRequested();
}

void ModemPage::test() {
    if (!apply()) {
        return;
    }
    emit exchangeBeginRequested();
    LayoutRecord reply = YesNo{};
    // Any answer will do: the test shows that the controller is reachable over the link.
    if (executeCommand(kControllerTest, {}, &reply) == 1) {
        showInformation(this, QStringLiteral("Тест выполнен успешно"));
    } else {
        showWarning(this, QStringLiteral("Тест не выполнен"));
    }
    emit exchangeEndRequested();
}

void ModemPage::execute() {
    if (!apply()) {
        return;
    }
    emit exchangeBeginRequested();
    if (askYesNo(this, QStringLiteral("Подтвердите выполнение команды удаленного модема"))) {
        LayoutRecord reply;
        executeCommand(kRemoteModemCommand,
                       RemoteDial::remoteCommandOrder(Application::instance().settings()), &reply);
    }
    emit exchangeEndRequested();
}

void registerModemPage() {
    PageFactory::instance().add(ModemPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<ModemPage>(parent);
    });
}

}  // namespace quillet
