#pragma once

#include <QComboBox>
#include <QStyledItemDelegate>

namespace ui {

// Items carry a record's id after their visible label: "label<spaces>ID:42".
// The id is read after the last "ID:", so a label holding ":" still works.
int itemId(const QString& itemText);
// The visible part of an item: the text before the run of spaces and "ID:".
QString itemLabel(const QString& itemText);

// Draws only an item's label, at a fixed height.
class IdItemDelegate : public QStyledItemDelegate {
  public:
    IdItemDelegate(int itemHeight, QObject* parent) : QStyledItemDelegate(parent), height_(itemHeight) {}
    QSize sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const override;
    void paint(QPainter* painter, const QStyleOptionViewItem& option,
               const QModelIndex& index) const override;

  private:
    int height_;
};

// A pick-only drop-down list of ID-tagged items; its text is the chosen item's whole
// text (empty while none is chosen), but only the label is ever drawn.
class IdComboBox : public QComboBox {
    Q_OBJECT
  public:
    explicit IdComboBox(int itemHeight = 16, QWidget* parent = nullptr);
    // Empties items and text.
    void clearAll() { clear(); }
    // Takes away the choice, keeping the items.
    void clearChoice() { setCurrentIndex(-1); }
    int chosenId() const { return itemId(currentText()); }

  protected:
    void paintEvent(QPaintEvent* event) override;
};

} // namespace ui
