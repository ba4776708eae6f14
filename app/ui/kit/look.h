#pragma once

#include <QColor>
#include <QCursor>
#include <QIcon>
#include <QString>
#include <initializer_list>

class QWidget;
class WizardWindow;

// The skin of the login window: when <program folder>/x/o.cjs exists, the
// window gets the button-face colour and then the style sheet in that file.
void ApplySkin(QWidget &loginWindow);

// ApplySkin with the skin file named: nothing happens when no file is there;
// a file that cannot be read throws AppError once the colour is applied.
void applySkinFile(QWidget &loginWindow, const QString &skinPath);

// The button-face colour for a window and its frames, labels, option
// buttons and check boxes.
void ApplyFaceColor(QWidget &window);

// The colour of three-dimensional display elements in the current palette.
QColor buttonFaceColour();

// The one icon of the three windows.
QIcon applicationIcon();

// Reads a Windows cursor file with the hotspot stored in it; throws AppError
// when the file cannot be read as a cursor.
QCursor loadCursorFile(const QString &path);

// Loads the window's own pointer image (pointer value 99) from a cursor file.
void loadMouseIcon(WizardWindow &window, const QString &path);

// Hover feedback: moving over a widget of `hand` sets the window's pointer to
// 99, over one of `plain` to 0; neither replaces the hourglass (11). Moving
// over any other widget leaves the pointer as it is.
void installPointerFeedback(WizardWindow &window, std::initializer_list<QWidget *> hand,
                            std::initializer_list<QWidget *> plain);
