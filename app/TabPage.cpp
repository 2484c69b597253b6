#include "app/TabPage.h"

#include <QTabWidget>

#include "app/DialogLayout.h"

namespace quillet {

TabPage::TabPage(QWidget* parent) : QWidget(parent) {
    setFont(DialogUnits::dialogFont());
    const DialogUnits units(font());
    resize(units.x(kTemplateWidth), units.y(kTemplateHeight));
}

void TabPage::placeInTab(QTabWidget* tabs) {
    // The display area is where the tab control shows its current (empty) tab widget; the
    // page is the tab control's sibling, so it is mapped into the common parent.
    const QWidget* area = tabs->currentWidget();
    QRect rect;
    if (area != nullptr && parentWidget() != nullptr && parentWidget()->isAncestorOf(area)) {
        rect = QRect(area->mapTo(parentWidget(), QPoint(0, 0)), area->size());
    } else {
        rect = tabs->geometry();
    }
    setGeometry(rect.left(), rect.top() + 2, rect.width(), rect.height());
    raise();
    show();
}

PageFactory& PageFactory::instance() {
    static PageFactory factory;
    return factory;
}

void PageFactory::add(int templateId, Maker maker) {
    makers_[templateId] = std::move(maker);
}

std::unique_ptr<TabPage> PageFactory::make(int templateId, QWidget* parent) const {
    const auto found = makers_.find(templateId);
    if (found != makers_.end()) {
        return found->second(parent);
    }
    return std::make_unique<TabPage>(parent);
}

}  // namespace quillet
