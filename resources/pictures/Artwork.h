#pragma once

#include <QImage>

namespace picgen {

// The banner across the top of the main window: 508 x 60, full colour before it is
// reduced to its palette.
QImage drawBanner();

enum class Tool { Download, Upload, Open, Save, Exit, Help };
enum class ButtonState { Up, Down, Focused, Disabled };

// One toolbar picture, 30 x 30, in the sixteen colours only (no smoothing), the button's
// face and bevel included.
QImage drawToolbarPicture(Tool tool, ButtonState state);

enum class Lamp { Red, Green, Grey };

// A round lamp, 16 x 16, in the sixteen colours; the corner colour is the background.
QImage drawLamp(Lamp lamp);

// The program icon at `size` x `size` with a transparent background.
QImage drawProgramIcon(int size);

}  // namespace picgen
