#include <QApplication>
#include <QPalette>
#include <QSettings>
#include <clocale>

#include "app/Application.h"
#include "app/MainWindow.h"
#include "pages/data/DataPages.h"
#include "pages/link/LinkPages.h"

int main(int argc, char** argv) {
    QApplication qt(argc, argv);
    // The toolkit takes the system locale; numbers on the line and in files are C texts.
    std::setlocale(LC_NUMERIC, "C");
    QApplication::setOrganizationName(QStringLiteral("Halvorn"));
    QApplication::setApplicationName(QStringLiteral("Quillet"));
    // Every dialog of the program: grey background, black text.
    QPalette colours = QApplication::palette();
    colours.setColor(QPalette::Window, QColor(192, 192, 192));
    colours.setColor(QPalette::WindowText, Qt::black);
    QApplication::setPalette(colours);

    quillet::registerLinkPages();
    quillet::registerDataPages();
    quillet::Application app;
    app.loadSettings();
    return quillet::runMainWindow(app);
}
