#pragma once

#include <QSet>
#include <QStringList>
#include <QTableView>

namespace db {
class Dataset;
}
class QMenu;

namespace ui {

// A read-only grid over a list; the grid's current row and the list's are one.
class DataGrid : public QTableView {
    Q_OBJECT
  public:
    explicit DataGrid(QWidget* parent = nullptr);
    // model is what the grid shows (the list itself or a proxy of it).
    void setDataset(db::Dataset* dataset, QAbstractItemModel* model = nullptr);
    db::Dataset* dataset() const { return dataset_; }
    // A right click makes the row under the mouse current, then shows the menu.
    void setPopupMenu(QMenu* menu);
    // Whether the last click moved the current row (a row-change handler already ran for it).
    bool lastClickMovedRow() const { return clickMovedRow_; }
    // The column (by its title) that takes the width the others leave.
    void setStretchField(const QString& field) { stretchField_ = field; }
    // Columns (by their titles) the list holds for the code but the grid does not show;
    // kept hidden across reopenings, the rest fitted to the width they leave.
    void setHiddenFields(const QStringList& fields);

  signals:
    // The left button released over a data cell.
    void cellClicked(int row);

  protected:
    void mousePressEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void currentChanged(const QModelIndex& current, const QModelIndex& previous) override;
    void resizeEvent(QResizeEvent* event) override;

  private:
    void followDataset(int row);
    // Columns as wide as the widest value on the screen; exact after a reopening,
    // only wider while scrolling, so that they do not jump.
    void fitColumns(bool exact);

    db::Dataset* dataset_ = nullptr;
    QMenu* menu_ = nullptr;
    bool syncing_ = false;
    int rowBeforePress_ = -1;
    bool clickMovedRow_ = false;
    bool fitting_ = false;
    void hideFields();

    QString stretchField_;
    QStringList hiddenFields_;
    QSet<int> userSized_; // columns the user has resized: left as they are
};

} // namespace ui
