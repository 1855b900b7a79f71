#include "ChildWindow.h"

#include <QCloseEvent>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QPushButton>
#include <QScreen>
#include <QShowEvent>

#include "Dialogs.h"
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

void ChildWindow::setKeys(QPushButton* defaultButton, std::function<bool()> typed) {
    keys_ = true;
    default_ = defaultButton;
    typed_ = std::move(typed);
}

void ChildWindow::setEnterFor(QWidget* box, QPushButton* button) {
    enterFor_.insert(box, button);
}

void ChildWindow::keyPressEvent(QKeyEvent* event) {
    if (!keys_ || event->modifiers() & ~Qt::KeypadModifier) return QWidget::keyPressEvent(event);
    switch (event->key()) {
    case Qt::Key_Escape:
        guarded([this] {
            if (typed_ && typed_() &&
                !confirm(this, QStringLiteral("A beírt adatok elvesznek. Bezárja az ablakot?")))
                return;
            close();
        });
        return;
    case Qt::Key_Return:
    case Qt::Key_Enter:
        // a box that takes Enter itself (a multi-line text) never gets here
        if (auto* focused = qobject_cast<QPushButton*>(focusWidget()))
            focused->click();
        else if (QPushButton* own = enterFor_.value(focusWidget()))
            own->click();
        else if (default_ && default_->isVisible() && default_->isEnabled())
            default_->click();
        return;
    default:
        QWidget::keyPressEvent(event);
    }
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
    if (keys_) giveMnemonics(this);
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

void giveMnemonics(QWidget* window) {
    QList<QPushButton*> buttons = window->findChildren<QPushButton*>();
    // a dialog of the window has letters of its own
    buttons.removeIf([window](QPushButton* b) { return b->window() != window; });
    QString used;
    auto letterAt = [](const QString& text) {
        const qsizetype at = text.indexOf(QLatin1Char('&'));
        return at >= 0 && at + 1 < text.size() ? text.at(at + 1).toLower() : QChar();
    };
    for (QPushButton* b : buttons)
        if (const QChar c = letterAt(b->text()); !c.isNull()) used += c;
    auto free = [&](QChar c) {
        return c.isLetterOrNumber() && c.unicode() < 128 && !used.contains(c.toLower());
    };
    for (QPushButton* b : buttons) {
        const QString text = b->text();
        if (text.isEmpty() || !letterAt(text).isNull()) continue;
        qsizetype pick = -1;
        for (qsizetype i = 0; i < text.size() && pick < 0; ++i)
            if ((i == 0 || text.at(i - 1).isSpace()) && free(text.at(i))) pick = i;
        for (qsizetype i = 0; i < text.size() && pick < 0; ++i)
            if (free(text.at(i))) pick = i;
        if (pick < 0) continue;
        used += text.at(pick).toLower();
        b->setText(QString(text).insert(pick, QLatin1Char('&')));
    }
}

QFont arial(int pixels, bool bold) {
    QFont f(QStringLiteral("Arial"));
    f.setPixelSize(pixels);
    f.setBold(bold);
    return f;
}

} // namespace ui
