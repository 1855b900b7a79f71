#include "DataGrid.h"

#include <QHeaderView>
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
        if (!menu_) return;
        const QModelIndex index = indexAt(pos);
        if (index.isValid()) setCurrentIndex(index);
        menu_->exec(viewport()->mapToGlobal(pos));
    });
}

void DataGrid::setDataset(db::Dataset* dataset, QAbstractItemModel* model) {
    dataset_ = dataset;
    setModel(model ? model : dataset);
    connect(dataset, &db::Dataset::currentRowChanged, this, &DataGrid::followDataset);
    connect(dataset, &QAbstractItemModel::modelReset, this, &DataGrid::fitColumns);
    // Shown once the view's own code has returned.
    connect(
        dataset, &db::Dataset::fetchFailed, this,
        [](const QString& message) { programError(errorText(message)); }, Qt::QueuedConnection);
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

void DataGrid::fitColumns() {
    if (!dataset_ || !dataset_->isOpen()) return;
    const QFontMetrics fm(font());
    const QFontMetrics hm(horizontalHeader()->font());
    for (int c = 0; c < model()->columnCount(); ++c) {
        int width = hm.horizontalAdvance(model()->headerData(c, Qt::Horizontal).toString()) + 12;
        const int rows = qMin(model()->rowCount(), 50);
        for (int r = 0; r < rows; ++r)
            width = qMax(width, fm.horizontalAdvance(model()->index(r, c).data().toString()) + 10);
        setColumnWidth(c, qMin(width, 260));
    }
}

} // namespace ui
