#include "ChildWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QScreen>
#include <QShowEvent>

#include "Guard.h"

namespace ui {

ChildWindow::ChildWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setWindowFlags(Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint |
                   Qt::WindowCloseButtonHint);
    setAttribute(Qt::WA_QuitOnClose, false);
}

void ChildWindow::setClientSize(int width, int height) {
    setFixedSize(width, height);
}

void ChildWindow::centreOnScreen() {
    QScreen* s = screen() ? screen() : QGuiApplication::primaryScreen();
    if (!s) return;
    const QRect area = s->availableGeometry();
    move(area.center() - QPoint(frameGeometry().width() / 2, frameGeometry().height() / 2));
}

void ChildWindow::closeEvent(QCloseEvent* event) {
    event->accept(); // only hidden: the window lives as long as the program
    guarded([this] { FormClose(); });
}

void ChildWindow::changeEvent(QEvent* event) {
    QWidget::changeEvent(event);
    if (event->type() == QEvent::ActivationChange && isActiveWindow() && isVisible())
        guarded([this] { FormActivate(); });
}

void ChildWindow::showEvent(QShowEvent* event) {
    QWidget::showEvent(event);
    if (event->spontaneous()) return; // the system restoring it, not an opening
    // A hidden window keeps its focus widget, often the close button where a space
    // would close it again: typing starts at the beginning of the tab order instead.
    for (QWidget* w = nextInFocusChain(); w && w != this; w = w->nextInFocusChain()) {
        if ((w->focusPolicy() & Qt::TabFocus) && w->isEnabled() && w->isVisibleTo(this) && isAncestorOf(w)) {
            w->setFocus(Qt::OtherFocusReason); // keeps a shown text unselected
            return;
        }
    }
}

QFont arial(int pixels, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace ui
