#pragma once

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <functional>

#include "DataGrid.h"

// The few kinds of control every window is laid out from.
namespace ui {

QFrame* bevel(QWidget* parent, const QRect& r);
QLabel* label(QWidget* parent, const QString& name, const QString& text, const QFont& font, const QRect& r);
QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                    const QRect& r, bool handCursor = false);
QLineEdit* readOnlyEdit(QWidget* parent, const QString& name, const QFont& font, const QRect& r);
// Runs handler (inside the guard) whenever a key goes down in target, before the key
// acts on it; the key itself is left to the control.
void onKeyDown(QWidget* target, std::function<void(int key)> handler);
// A flat read-only grid in bold Arial whose column titles keep the window's own font.
DataGrid* grid(QWidget* parent, const QString& name, const QRect& r);

} // namespace ui
