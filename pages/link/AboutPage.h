#pragma once

#include "app/TabPage.h"

class QLabel;

namespace quillet {

// The tab "О Quillet": the program's name and version, its icon, the rights line and the
// supported meter models.
class AboutPage : public TabPage {
public:
    static constexpr int kTemplateId = 131;
    static constexpr int kTitleId = 1028;

    static const QString kTitle;
    static const QString kRights;
    static const QString kModelsCaption;
    static const QString kModels;

    explicit AboutPage(QWidget* parent);

private:
    // A large serif font, made anew with every page.
    static QFont titleFont();

    QLabel* title_ = nullptr;
};

}  // namespace quillet
