#include "dialogs/DialogDesign.h"

#include <QDialog>
#include <QLabel>
#include <QScreen>

namespace quorvane {

void SetFixedDialogBorder(QDialog& dialog, int clientWidth, int clientHeight)
{
    dialog.setWindowFlags(Qt::Dialog | Qt::CustomizeWindowHint | Qt::MSWindowsFixedSizeDialogHint
        | Qt::WindowTitleHint | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint);
    dialog.setFixedSize(clientWidth, clientHeight);
    QFont font = dialog.font();
    font.setPixelSize(11);
    dialog.setFont(font);
}

void CentreOnScreen(QWidget& window)
{
    // Before it is shown a window has no screen of its own yet: it opens on its owner's.
    const QWidget* owner = window.parentWidget();
    const QWidget& placed = !window.windowHandle() && owner ? *owner->window() : window;
    if (const QScreen* screen = placed.screen()) {
        QRect frame = window.frameGeometry();
        frame.moveCenter(screen->availableGeometry().center());
        window.move(frame.topLeft());
    }
}

QLabel* DesignLabel(QWidget* parent, const QString& name, int left, int top, const QString& text)
{
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    label->move(left, top);
    label->adjustSize();
    return label;
}

} // namespace quorvane
