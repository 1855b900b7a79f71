#include "Widgets.h"

#include <QHeaderView>
#include <QKeyEvent>

#include "ChildWindow.h"
#include "Guard.h"

namespace ui {

namespace {
class KeyDownFilter : public QObject {
  public:
    KeyDownFilter(QObject* parent, std::function<void(int)> handler)
        : QObject(parent), handler_(std::move(handler)) {}
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (event->type() == QEvent::KeyPress) {
            const int key = static_cast<QKeyEvent*>(event)->key();
            guarded([&] { handler_(key); });
        }
        return QObject::eventFilter(watched, event);
    }

  private:
    std::function<void(int)> handler_;
};
} // namespace

void onKeyDown(QWidget* target, std::function<void(int key)> handler) {
    target->installEventFilter(new KeyDownFilter(target, std::move(handler)));
}

QFrame* bevel(QWidget* parent, const QRect& r) {
    auto* f = new QFrame(parent);
    f->setFrameShape(QFrame::Box);
    f->setFrameShadow(QFrame::Sunken);
    f->setGeometry(r);
    return f;
}

QLabel* label(QWidget* parent, const QString& name, const QString& text, const QFont& font, const QRect& r) {
    auto* l = new QLabel(text, parent);
    l->setObjectName(name);
    l->setFont(font);
    l->setGeometry(r);
    return l;
}

IdComboBox* idCombo(QWidget* parent, const QString& name, const QFont& font, const QRect& r, int itemHeight) {
    auto* c = new IdComboBox(itemHeight, parent);
    c->setObjectName(name);
    c->setFont(font);
    c->setGeometry(r);
    return c;
}

void nameBy(QLabel* label, QWidget* box) {
    label->setBuddy(box);
    if (qobject_cast<QAbstractItemView*>(box)) box->setAccessibleName(label->text());
}

void setHeading(QLabel* heading, const QString& text, const QString& emptyName) {
    heading->setText(text);
    if (QWidget* box = heading->buddy()) box->setAccessibleName(text.isEmpty() ? emptyName : text);
}

QPushButton* button(QWidget* parent, const QString& name, const QString& text, const QFont& font,
                    const QRect& r, bool handCursor) {
    auto* b = new QPushButton(text, parent);
    b->setObjectName(name);
    b->setFont(font);
    b->setGeometry(r);
    if (handCursor) b->setCursor(Qt::PointingHandCursor);
    return b;
}

QLineEdit* readOnlyEdit(QWidget* parent, const QString& name, const QFont& font, const QRect& r) {
    auto* e = new QLineEdit(parent);
    e->setObjectName(name);
    e->setFont(font);
    e->setGeometry(r);
    e->setReadOnly(true);
    e->setStyleSheet(
        QStringLiteral("QLineEdit { border: 1px solid #7a7a7a; background: white; padding: 0 2px; }"));
    return e;
}

DataGrid* grid(QWidget* parent, const QString& name, const QRect& r) {
    auto* g = new DataGrid(parent);
    g->setObjectName(name);
    QFont titles = parent->font(); // titles keep the window's default font
    titles.setResolveMask(QFont::AllPropertiesResolved);
    g->horizontalHeader()->setFont(titles);
    g->setFont(arial(11));
    g->setGeometry(r);
    g->setFrameShape(QFrame::Box);
    g->setFrameShadow(QFrame::Plain);
    return g;
}

} // namespace ui
