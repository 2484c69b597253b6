#pragma once

#include <QRect>
#include <QString>

class QWidget;
class QFont;

namespace quillet {

// Places controls from dialog-template coordinates: with the dialog font's average
// character width cx and height cy, x pixels = x * cx / 4 and y pixels = y * cy / 8.
class DialogUnits {
public:
    explicit DialogUnits(const QFont& font);
    // The font every dialog of the program uses.
    static QFont dialogFont();

    int x(int units) const;
    int y(int units) const;
    QRect rect(int x, int y, int width, int height) const;
    // Moves and sizes `control` to the template rectangle.
    void place(QWidget* control, int x, int y, int width, int height) const;
    // The same, and the control keeps its template id (0: a control without one).
    void place(QWidget* control, int id, int x, int y, int width, int height) const;

private:
    int charWidth_;
    int charHeight_;
};

// Controls keep their template ids: object name "id<N>" and property "controlId", so
// that tests and the pages find them.
void setControlId(QWidget* control, int id);
QString controlName(int id);
int controlId(const QWidget* control);

}  // namespace quillet
