// The about page: its texts, icon and the large serif title, at the first start.

#include <QLabel>

#include "PageFixture.h"
#include "pages/link/AboutPage.h"

namespace quillet {
namespace {

using AboutPageTest = testing::PageFixture;

TEST_F(AboutPageTest, ShowsNameInLargeSerifFontWithIconAndTexts) {
    open(-1);                               // no InitialTab stored yet
    for (int pass = 0; pass < 2; ++pass) {  // and again after switching away and back
        QWidget* page = dynamic_cast<AboutPage*>(window->currentPage());
        auto* title = control<QLabel>(AboutPage::kTitleId);
        ASSERT_TRUE(page != nullptr && title != nullptr);
        EXPECT_EQ(title->text(), "Quillet 1.1");
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
        for (const QString& text :
             {AboutPage::kRights, AboutPage::kModelsCaption, AboutPage::kModels}) {
            EXPECT_TRUE(texts.contains(text)) << text.toStdString();
        }
        window->tabs()->setCurrentIndex(0);
        window->tabs()->setCurrentIndex(kAboutPage);
    }
}

}  // namespace
}  // namespace quillet
