#include "DataGrid.h"

#include <QResizeEvent>
#include <QScopedValueRollback>
#include <QScrollBar>
#include <vector>

#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMouseEvent>

#include "Dialogs.h"
#include "Guard.h"
#include "db/Dataset.h"

namespace ui {

DataGrid::DataGrid(QWidget* parent) : QTableView(parent) {
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    // Tab leaves the grid for the next control; the student list opts in to moving between cells.
    setTabKeyNavigation(false);
    setWordWrap(false);
    verticalHeader()->setDefaultSectionSize(18);
    verticalHeader()->setMinimumSectionSize(16);
    verticalHeader()->setFixedWidth(14);
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    horizontalHeader()->setSectionResizeMode(QHeaderView::Interactive);
    horizontalHeader()->setHighlightSections(false);
    setContextMenuPolicy(Qt::CustomContextMenu);
    connect(this, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        if (!menu_ || menu_->isEmpty()) return;
        const QModelIndex index = indexAt(pos);
        if (index.isValid()) setCurrentIndex(index);
        menu_->exec(viewport()->mapToGlobal(pos));
    });
}

void DataGrid::setDataset(db::Dataset* dataset, QAbstractItemModel* model) {
    dataset_ = dataset;
    setModel(model ? model : dataset);
    connect(dataset, &db::Dataset::currentRowChanged, this, &DataGrid::followDataset);
    connect(dataset, &QAbstractItemModel::modelReset, this, [this] {
        userSized_.clear();
        hideFields();
        fitColumns(true);
    });
    connect(dataset, &QAbstractItemModel::rowsInserted, this, [this] { fitColumns(false); });
    connect(verticalScrollBar(), &QScrollBar::valueChanged, this, [this] { fitColumns(false); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this](int column) {
        if (!fitting_) userSized_.insert(column);
    });
    // Shown once the view's own code has returned.
    connect(
        dataset, &db::Dataset::fetchFailed, this,
        [](const QString& message) { programError(errorText(message)); }, Qt::QueuedConnection);
}

// Shift+F10 opens the menu as the Menu key does, at the current row.
void DataGrid::keyPressEvent(QKeyEvent* event) {
    if (event->key() == Qt::Key_F10 && event->modifiers() == Qt::ShiftModifier && menu_) {
        const QRect cell = visualRect(currentIndex());
        emit customContextMenuRequested(cell.isValid() ? cell.center() : QPoint(0, 0));
        event->accept();
        return;
    }
    QTableView::keyPressEvent(event);
}

void DataGrid::setPopupMenu(QMenu* menu) {
    menu_ = menu;
}

void DataGrid::followDataset(int row) {
    if (syncing_) return;
    syncing_ = true;
    if (row < 0) {
        selectionModel()->clear();
    } else {
        const int column = currentIndex().isValid() ? currentIndex().column() : 0;
        setCurrentIndex(model()->index(row, column));
    }
    syncing_ = false;
}

void DataGrid::currentChanged(const QModelIndex& current, const QModelIndex& previous) {
    QTableView::currentChanged(current, previous);
    if (syncing_ || !dataset_) return;
    syncing_ = true;
    guarded([&] { dataset_->setCurrentRow(current.isValid() ? current.row() : -1); });
    syncing_ = false;
}

void DataGrid::mousePressEvent(QMouseEvent* event) {
    rowBeforePress_ = currentIndex().row();
    QTableView::mousePressEvent(event);
}

void DataGrid::mouseReleaseEvent(QMouseEvent* event) {
    QTableView::mouseReleaseEvent(event);
    if (event->button() != Qt::LeftButton) return;
    const QModelIndex index = indexAt(event->position().toPoint());
    if (!index.isValid()) return;
    clickMovedRow_ = index.row() != rowBeforePress_;
    emit cellClicked(index.row());
}

void DataGrid::resizeEvent(QResizeEvent* event) {
    QTableView::resizeEvent(event);
    fitColumns(false);
}

void DataGrid::setHiddenFields(const QStringList& fields) {
    hiddenFields_ = fields;
    hideFields();
    fitColumns(true);
}

void DataGrid::hideFields() {
    if (!dataset_ || !model()) return;
    for (int c = 0; c < model()->columnCount(); ++c)
        setColumnHidden(c, hiddenFields_.contains(model()->headerData(c, Qt::Horizontal).toString()));
}

void DataGrid::fitColumns(bool exact) {
    if (!dataset_ || !dataset_->isOpen() || !model()) return;
    const QScopedValueRollback<bool> fitting(fitting_, true);
    const QFontMetrics fm(font());
    const QFontMetrics hm(horizontalHeader()->font());
    const int rowHeight = qMax(1, verticalHeader()->defaultSectionSize());
    const int first = qMax(0, rowAt(0));
    const int last = qMin(model()->rowCount() - 1, first + viewport()->height() / rowHeight + 1);
    const int stretch = stretchField_.isEmpty() ? -1 : dataset_->fieldIndex(stretchField_);
    std::vector<int> widths(static_cast<size_t>(model()->columnCount()));
    int total = 0;
    for (int c = 0; c < model()->columnCount(); ++c) {
        if (isColumnHidden(c)) continue;
        int width = columnWidth(c);
        if (!userSized_.contains(c)) {
            int fit = hm.horizontalAdvance(model()->headerData(c, Qt::Horizontal).toString()) + 12;
            for (int r = first; r <= last; ++r)
                fit = qMax(fit, fm.horizontalAdvance(model()->index(r, c).data().toString()) + 10);
            // Without a column to take the spare width, a long text must not push the rest away.
            if (stretch < 0) fit = qMin(fit, 260);
            width = (exact || c == stretch) ? fit : qMax(fit, width);
        }
        widths[static_cast<size_t>(c)] = width;
        total += width;
    }
    if (stretch >= 0 && !userSized_.contains(stretch) && !isColumnHidden(stretch)) {
        // it takes what the others leave, no more: a longer text is cut there rather than
        // pushing the grid past its width
        const int spare = viewport()->width() - total;
        int& width = widths[static_cast<size_t>(stretch)];
        width = qMax(hm.horizontalAdvance(model()->headerData(stretch, Qt::Horizontal).toString()) + 12,
                     width + spare);
    }
    for (int c = 0; c < model()->columnCount(); ++c)
        if (!isColumnHidden(c) && columnWidth(c) != widths[static_cast<size_t>(c)])
            setColumnWidth(c, widths[static_cast<size_t>(c)]);
}

} // namespace ui
