#pragma once

#include <QColor>

class QFrame;
class QKeyEvent;
class QLabel;
class QLineEdit;
class QPushButton;
class QWidget;

// What the two editor windows share besides the windows' metrics: their colours, a
// typing limit that leaves loaded texts whole, and bringing a window to the front.
namespace kdx::editors {

inline constexpr QRgb kFieldColour = qRgb(255, 255, 206);  // light yellow text boxes and lists
inline constexpr QRgb kSaveColour = qRgb(0, 255, 0);
inline constexpr QRgb kBackColour = qRgb(255, 128, 128);

void PlaceLine(QFrame& line, int left, int top, int right);  // a horizontal 1-pixel line, twips

QLabel* NewLabel(const char* text, QWidget* parent);  // text at the box's top left
void SetFieldColour(QWidget& field);
void StyleButton(QPushButton& button, QRgb colour);  // bold 9.75 pt on its own colour

// The user cannot type beyond limit characters, but a longer text that the program puts in with
// SetTextWhole stays whole until the user shortens it (QLineEdit's own limit cuts it).
void LimitTyping(QLineEdit& edit, int limit);
void SetTextWhole(QLineEdit& edit, const QString& text);

// Shows the window without blocking the others, or brings it to the front when it is open.
void ShowInFront(QWidget& window);

// A key that the focused control left to its window: Enter presses save (or the focused button,
// as in a dialog), Escape presses back. False for any other key, and for a held key's repeats.
bool PressForKey(const QKeyEvent& event, QWidget& window, QPushButton& save, QPushButton& back);

}  // namespace kdx::editors
