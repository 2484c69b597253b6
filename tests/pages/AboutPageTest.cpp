// The about page: its texts, icon and the large serif title, at the first start.

#include <gtest/gtest.h>

#include <QLabel>
#include <QSettings>
#include <QTabWidget>
#include <QTemporaryDir>

#include "app/Application.h"
#include "app/DialogLayout.h"
#include "app/MainWindow.h"
#include "pages/link/AboutPage.h"
#include "pages/link/LinkPages.h"

namespace quillet {
namespace {

TEST(AboutPageTest, ShowsNameInLargeSerifFontWithIconAndTexts) {
    QTemporaryDir dir;
    auto store = std::make_unique<QSettings>(dir.filePath("q.ini"), QSettings::IniFormat);
    store->setValue("Ports/COM2", "sim");
    Application app(std::move(store));
    app.loadSettings();
    registerLinkPages();
    MainWindow window(app);
    window.start();  // no InitialTab stored yet
    window.show();
    for (int pass = 0; pass < 2; ++pass) {  // and again after switching away and back
        QWidget* page = dynamic_cast<AboutPage*>(window.currentPage());
        ASSERT_NE(page, nullptr);
        auto* title = page->findChild<QLabel*>(controlName(AboutPage::kTitleId));
        ASSERT_NE(title, nullptr);
        EXPECT_EQ(title->text(), QStringLiteral("Quillet 1.1"));
        EXPECT_EQ(title->font().family(), QStringLiteral("Times New Roman"));
        EXPECT_EQ(title->font().styleHint(), QFont::Serif);
        EXPECT_GE(QFontInfo(title->font()).pixelSize(), 2 * QFontInfo(page->font()).pixelSize());
        EXPECT_GE(title->height(), QFontMetrics(title->font()).height());  // not cut

        QStringList texts;
        bool hasIcon = false;
        for (QLabel* label : page->findChildren<QLabel*>()) {
            texts << label->text();
            hasIcon = hasIcon || !label->pixmap().isNull();
        }
        EXPECT_TRUE(hasIcon);
        EXPECT_TRUE(texts.contains(AboutPage::kRights));
        EXPECT_TRUE(texts.contains(QStringLiteral("Поддержка счетчиков электрической энергии:")));
        EXPECT_TRUE(texts.contains(AboutPage::kModels));
        window.tabs()->setCurrentIndex(0);
        window.tabs()->setCurrentIndex(16);
    }
}

}  // namespace
}  // namespace quillet
