#pragma once

#include <QString>

class QDialog;
class QLabel;
class QWidget;

namespace quorvane {

// What the designs of the modal dialogs share.

// A fixed dialog border around a client area of this size, with the close box as the only
// border icon, and the designs' font: the platform's UI font 11 pixels high.
void SetFixedDialogBorder(QDialog& dialog, int clientWidth, int clientHeight);

// Puts a window in the middle of the screen it is on, or, before it is shown, of its owner's.
void CentreOnScreen(QWidget& window);

// A label at its designed top-left corner that sizes itself to its text.
QLabel* DesignLabel(QWidget* parent, const QString& name, int left, int top, const QString& text);

} // namespace quorvane
