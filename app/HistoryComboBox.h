#pragma once

#include <QComboBox>
#include <QString>

namespace quillet {

class Application;

// An editable combo box that remembers the last seven values entered, in the settings
// store under `section`: key + "Size" holds the count, key the newest entry, key1, key2,
// ... the older ones.
class HistoryComboBox : public QComboBox {
    Q_OBJECT

public:
    static constexpr int kMaxEntries = 7;

    explicit HistoryComboBox(QWidget* parent = nullptr);
    // Commits the shown value, so the value shown at the end is remembered.
    ~HistoryComboBox() override;

    // Fills the list from the store; an empty list gets `defaultText` as its only entry.
    void load(const QString& section, const QString& key, const QString& defaultText);
    // Makes the edit text the newest entry (no duplicates, at most seven) and saves.
    void commit();
    void save();

    const QString& section() const { return section_; }
    const QString& key() const { return key_; }

private:
    QString section_;
    QString key_;
};

}  // namespace quillet
