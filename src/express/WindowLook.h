#pragma once

class QFont;
class QWidget;

// The look both windows share: Arial bold, white background, push buttons in a
// flat style of their own, centred on the screen when first shown.
namespace WindowLook
{

/// Arial bold 9 pt: windows, frames, grids.
QFont windowFont();
/// Arial bold 11.25 pt: push buttons.
QFont buttonFont();
/// White background on the window and on the given child; a frame draws its border
/// only, so its inside shows that background unshaded.
void setWhiteBackground(QWidget& widget);
/// Centres a top-level window on its screen.
void centreOnScreen(QWidget& window);
/// The push-button style sheet.
const char* buttonStyleSheet();

} // namespace WindowLook
