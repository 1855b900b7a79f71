#include "evi_ugyek__form.h"

#include "main/main__form.h"
#include "ui/Guard.h"
#include "ui/Widgets.h"

Tevi_ugyek_form* evi_ugyek_form = nullptr;

namespace {
constexpr int kWidth = 300, kButtonHeight = 30, kGap = 6, kTop = 40;
}

Tevi_ugyek_form::Tevi_ugyek_form(QWidget* parent) : ui::ChildWindow(parent) {
    setObjectName(QStringLiteral("evi_ugyek_form"));
    setWindowTitle(QStringLiteral("Éves ügyintézés"));
    Label1 = ui::label(this, QStringLiteral("Label1"), QStringLiteral("Teendők"), ui::arial(13),
                       QRect(10, 10, kWidth - 20, 20));
    Label1->setAlignment(Qt::AlignCenter);
    label_ki = ui::label(this, QStringLiteral("label_ki"), QString(), ui::arial(12, false),
                         QRect(10, 0, kWidth - 20, 34));
    label_ki->setWordWrap(true);
    label_ki->setAlignment(Qt::AlignCenter);
    Button1 = ui::button(this, QStringLiteral("Button1"), QStringLiteral("bezárás"), ui::arial(12),
                         QRect(0, 0, 10, 10), true);
    connect(Button1, &QPushButton::clicked, this, [this] { close(); });
    layOut();
    setKeys(nullptr);
}

QPushButton* Tevi_ugyek_form::addTask(const QString& name, const QString& text, ui::ChildWindow* window,
                                      std::function<void()> prepare) {
    auto* b = ui::button(this, name, text, ui::arial(12), QRect(0, 0, 10, 10), true);
    connect(b, &QPushButton::clicked, this, ui::guard([this, window, prepare] {
                // Stays open behind the task, so that the next one is a click away.
                main_form->openChild(window, prepare);
            }));
    tasks_.push_back(b);
    layOut();
    return b;
}

void Tevi_ugyek_form::layOut() {
    int y = kTop;
    QWidget* previous = nullptr;
    for (QPushButton* b : tasks_) {
        b->setGeometry(20, y, kWidth - 40, kButtonHeight);
        y += kButtonHeight + kGap;
        if (previous) setTabOrder(previous, b);
        previous = b;
    }
    label_ki->setGeometry(10, y + 4, kWidth - 20, 34);
    y += 38;
    Button1->setGeometry(80, y + 8, kWidth - 160, 24);
    if (previous) setTabOrder(previous, Button1);
    setClientSize(kWidth, y + 42);
}

void Tevi_ugyek_form::FormClose() {
    main_form->childClosed();
}
