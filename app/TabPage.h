#pragma once

#include <QWidget>
#include <functional>
#include <map>
#include <memory>

class QTabWidget;

namespace quillet {

// The page shown in one tab: a child widget over the tab control's display area. The main
// window asks it for the four toolbar operations, tells it when a device operation begins
// and ends, and asks `apply` before leaving it. Every operation has a default, so a page
// overrides only what it supports.
class TabPage : public QWidget {
    Q_OBJECT

public:
    // Every page template is 330 x 130 dialog units.
    static constexpr int kTemplateWidth = 330;
    static constexpr int kTemplateHeight = 130;

    explicit TabPage(QWidget* parent);

    int pageIndex = -1;

    // Puts the page over the display area of `tabs` (2 pixels lower, same size) and shows it.
    virtual void placeInTab(QTabWidget* tabs);
    virtual void readFromDevice() {}
    virtual void writeToDevice() {}
    virtual void readFromFile() {}
    virtual void writeToFile() {}
    virtual void onExchangeEnd() {}
    virtual void onExchangeBegin() {}
    // False keeps the page (and the program) where it is.
    virtual bool apply() { return true; }

signals:
    // A button of the page starts or ends a device operation (the main window brackets it).
    void exchangeBeginRequested();
    void exchangeEndRequested();
};

// Makes the page class of a template; template ids without a page class yet give a plain
// TabPage that supports nothing.
class PageFactory {
public:
    using Maker = std::function<std::unique_ptr<TabPage>(QWidget* parent)>;

    static PageFactory& instance();
    // An empty maker removes the template's page class again.
    void add(int templateId, Maker maker);
    std::unique_ptr<TabPage> make(int templateId, QWidget* parent) const;
    // Whether the template has a page class of its own yet.
    bool has(int templateId) const { return makers_.count(templateId) != 0; }

private:
    std::map<int, Maker> makers_;
};

}  // namespace quillet
