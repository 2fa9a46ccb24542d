#pragma once

#include <QFont>

class QWidget;

namespace kdx {

// Twips (1/1440 inch) to pixels at the screen's logical dpi: 15 twips per pixel at 96 dpi.
int TwipsToPixels(int twips);

// Puts a control at a rectangle given in twips, relative to its container. The edges are
// converted rather than the sizes, so controls that meet in twips still meet in pixels.
void PlaceTwips(QWidget* control, int left, int top, int width, int height);

// The windows' font: "MS Sans Serif" where the system has it, otherwise the platform's sans
// serif, narrowed to MS Sans Serif's width where it is wider.
QFont FormFont(double pointSize = 8.25, bool bold = false);

}  // namespace kdx
