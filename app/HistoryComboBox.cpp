#include "app/HistoryComboBox.h"

#include <QLineEdit>

#include "app/Application.h"

namespace quillet {

namespace {

QString entryName(const QString& key, int index) {
    return index == 0 ? key : key + QString::number(index);
}

}  // namespace

HistoryComboBox::HistoryComboBox(QWidget* parent) : QComboBox(parent) {
    setEditable(true);
    setInsertPolicy(QComboBox::NoInsert);
}

HistoryComboBox::~HistoryComboBox() {
    if (!key_.isEmpty()) {
        commit();
    }
}

void HistoryComboBox::load(const QString& section, const QString& key, const QString& defaultText) {
    section_ = section;
    key_ = key;
    clear();
    Application& app = Application::instance();
    const int count = app.readSettingInt(section, key + QStringLiteral("Size"), 0);
    for (int i = 0; i < count; ++i) {
        const QString entry = app.readSettingString(section, entryName(key, i), {});
        if (entry.isEmpty()) {
            break;
        }
        addItem(entry);
    }
    if (this->count() == 0) {
        addItem(defaultText);
    }
    setCurrentIndex(0);
}

void HistoryComboBox::commit() {
    const QString text = currentText();
    for (int found = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive); found >= 0;
         found = findText(text, Qt::MatchExactly | Qt::MatchCaseSensitive)) {
        removeItem(found);
    }
    if (text.isEmpty()) {
        setEditText(text);
        return;
    }
    while (count() >= kMaxEntries) {
        removeItem(count() - 1);
    }
    insertItem(0, text);
    setCurrentIndex(0);
    save();
}

void HistoryComboBox::save() {
    Application& app = Application::instance();
    app.writeSettingInt(section_, key_ + QStringLiteral("Size"), count());
    for (int i = 0; i < count(); ++i) {
        app.writeSettingString(section_, entryName(key_, i), itemText(i));
    }
}

}  // namespace quillet
