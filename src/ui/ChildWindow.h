#pragma once

#include <QWidget>

namespace ui {

// A window created hidden at start, shown and hidden, never destroyed: fixed size,
// close box only. Closing it (button or close box) hides it and runs FormClose().
// Each showing puts the cursor in the first box of its tab order.
class ChildWindow : public QWidget {
    Q_OBJECT
  public:
    explicit ChildWindow(QWidget* parent = nullptr);
    void setClientSize(int width, int height);
    void centreOnScreen();

  protected:
    virtual void FormClose() {}
    virtual void FormActivate() {}
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
};

// Bold Arial of the given pixel height.
QFont arial(int pixels, bool bold = true);

} // namespace ui
