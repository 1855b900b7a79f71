#pragma once

#include <QFont>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QRect>
#include <functional>

#include "DataGrid.h"
#include "IdCombo.h"

// The few kinds of control every window is laid out from.
namespace ui {

QFrame* bevel(QWidget* parent, const QRect& r);
QLabel* label(QWidget* parent, const QString& name, const QString& text, const QFont& font, const QRect& r);
QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                    const QRect& r, bool handCursor = false);
// Ties a label to the box it names, for screen readers: edit boxes, memos and drop-downs
// are read with their label by themselves; a grid is not, so it is given the text as its name.
void nameBy(QLabel* label, QWidget* box);
// Writes a heading that changes with the chosen row and names the box it is tied to;
// while the heading is empty the box is called emptyName.
void setHeading(QLabel* heading, const QString& text, const QString& emptyName);
// A pick-only drop-down of ID-tagged items.
IdComboBox* idCombo(QWidget* parent, const QString& name, const QFont& font, const QRect& r,
                    int itemHeight = 16);
QLineEdit* readOnlyEdit(QWidget* parent, const QString& name, const QFont& font, const QRect& r);
// Runs handler (inside the guard) whenever a key goes down in target, before the key
// acts on it; the key itself is left to the control.
void onKeyDown(QWidget* target, std::function<void(int key)> handler);
// A flat read-only grid in bold Arial whose column titles keep the window's own font.
DataGrid* grid(QWidget* parent, const QString& name, const QRect& r);

} // namespace ui
