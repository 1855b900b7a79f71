#include "IdCombo.h"

#include <QAbstractItemView>
#include <QApplication>
#include <QPainter>
#include <QStyleOptionComboBox>
#include <QStylePainter>

#include "db/Values.h"

namespace ui {

int itemId(const QString& itemText) {
    const qsizetype at = itemText.lastIndexOf(QLatin1String("ID:"));
    return db::toInt(at < 0 ? itemText : itemText.mid(at + 3));
}

QString itemLabel(const QString& itemText) {
    const qsizetype at = itemText.lastIndexOf(QLatin1String("ID:"));
    if (at < 0) return itemText;
    qsizetype end = at;
    while (end > 0 && itemText.at(end - 1) == QLatin1Char(' '))
        --end;
    return itemText.left(end);
}

QSize IdItemDelegate::sizeHint(const QStyleOptionViewItem& option, const QModelIndex& index) const {
    QSize s = QStyledItemDelegate::sizeHint(option, index);
    s.setHeight(height_);
    const QString label = itemLabel(index.data().toString());
    s.setWidth(option.fontMetrics.horizontalAdvance(label) + 8);
    return s;
}

void IdItemDelegate::paint(QPainter* painter, const QStyleOptionViewItem& option,
                           const QModelIndex& index) const {
    QStyleOptionViewItem opt(option);
    initStyleOption(&opt, index);
    opt.text = itemLabel(opt.text);
    const QWidget* widget = option.widget;
    QStyle* style = widget ? widget->style() : QApplication::style();
    style->drawControl(QStyle::CE_ItemViewItem, &opt, painter, widget);
}

IdComboBox::IdComboBox(int itemHeight, QWidget* parent) : QComboBox(parent) {
    setEditable(false);
    setItemDelegate(new IdItemDelegate(itemHeight, this));
    setSizeAdjustPolicy(QComboBox::AdjustToMinimumContentsLengthWithIcon);
    setMinimumContentsLength(4);
}

void IdComboBox::paintEvent(QPaintEvent*) {
    QStylePainter painter(this);
    QStyleOptionComboBox opt;
    initStyleOption(&opt);
    opt.currentText = itemLabel(opt.currentText);
    painter.drawComplexControl(QStyle::CC_ComboBox, opt);
    painter.drawControl(QStyle::CE_ComboBoxLabel, opt);
}

} // namespace ui
