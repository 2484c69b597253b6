#include "pages/link/AboutPage.h"

#include <QFrame>
#include <QLabel>
#include <memory>

#include "app/DialogLayout.h"
#include "app/Pictures.h"
#include "pages/link/LinkPages.h"

namespace quillet {

const QString AboutPage::kTitle = QStringLiteral("Quillet 1.1");
const QString AboutPage::kRights = QStringLiteral("© 2001–2025 Halvorn. Все права защищены.");
const QString AboutPage::kModelsCaption =
    QStringLiteral("Поддержка счетчиков электрической энергии:");
const QString AboutPage::kModels = QStringLiteral("Вега-3Т, Вега-4Т, Вега-4ТМ");

namespace {

QLabel* addCentredText(QWidget* page, const DialogUnits& units, const QString& text, int x, int y,
                       int width, int height) {
    auto* label = new QLabel(text, page);
    label->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    units.place(label, x, y, width, height);
    return label;
}

void addEtchedFrame(QWidget* page, const DialogUnits& units, int x, int y, int width, int height) {
    auto* frame = new QFrame(page);
    frame->setFrameStyle(QFrame::Box | QFrame::Sunken);
    units.place(frame, x, y, width, height);
    frame->lower();
}

}  // namespace

AboutPage::AboutPage(QWidget* parent) : TabPage(parent) {
    const DialogUnits units(font());
    addEtchedFrame(this, units, 0, 0, 329, 130);
    addEtchedFrame(this, units, 70, 16, 189, 87);

    auto* icon = new QLabel(this);
    icon->setPixmap(programIcon().pixmap(32, 32));
    icon->move(units.x(91), units.y(26));
    icon->resize(32, 32);

    title_ = addCentredText(this, units, kTitle, 126, 26, 110, 20);
    setControlId(title_, kTitleId);
    title_->setAlignment(Qt::AlignCenter);
    title_->setFont(titleFont());

    addCentredText(this, units, kRights, 78, 56, 172, 8);
    addCentredText(this, units, kModelsCaption, 78, 68, 172, 8);
    addCentredText(this, units, kModels, 78, 82, 172, 8);
}

QFont AboutPage::titleFont() {
    QFont font(QStringLiteral("Times New Roman"));
    font.setStyleHint(QFont::Serif);
    font.setFixedPitch(false);
    // A 30-pixel character cell.
    font.setPixelSize(26);
    return font;
}

void registerAboutPage() {
    PageFactory::instance().add(AboutPage::kTemplateId, [](QWidget* parent) {
        return std::make_unique<AboutPage>(parent);
    });
}

}  // namespace quillet
