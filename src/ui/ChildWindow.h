#pragma once

#include <QHash>
#include <QPointer>
#include <QWidget>
#include <functional>

class QPushButton;

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
    // The new windows' keys: Esc closes it (asking first when typed() says something typed
    // would be lost), Enter presses the default button, and every button gets an Alt
    // letter of its own. The registry's first windows keep their own keys.
    void setKeys(QPushButton* defaultButton, std::function<bool()> typed = {});
    // Enter in this box presses that button, not the window's default.
    void setEnterFor(QWidget* box, QPushButton* button);
    // A new window: its boxes are its own, with Hungarian titles and buttons.
    bool ownsDialogs() const { return keys_; }

  protected:
    virtual void FormClose() {}
    virtual void FormActivate() {}
    void closeEvent(QCloseEvent* event) override;
    void changeEvent(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;

  private:
    bool keys_ = false;
    QPointer<QPushButton> default_;
    std::function<bool()> typed_;
    QHash<QWidget*, QPointer<QPushButton>> enterFor_;
};

// An Alt letter for every button of the window that has none, none used twice: the first
// letter of a word where it is free, else any free letter.
void giveMnemonics(QWidget* window);

// Bold Arial of the given pixel height.
QFont arial(int pixels, bool bold = true);

} // namespace ui
