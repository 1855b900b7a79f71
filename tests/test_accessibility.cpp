// What a screen reader hears: every box, list and grid of every window has a name, and a
// label that stands beside a box is the box's name.
#include <QAbstractButton>
#include <QAccessible>
#include <QDialogButtonBox>
#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QMessageBox>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QtTest>
#include <climits>
#include <functional>
#include <tuple>

#include "TestSupport.h"
#include "assignments/oszt_tan__form.h"
#include "assignments/tanar_targy__form.h"
#include "data/DataModule.h"
#include "main/main__form.h"
#include "office/archivum__form.h"
#include "office/evi_ugyek__form.h"
#include "office/naplo__form.h"
#include "office/tanevvaltas__form.h"
#include "queries/Lekerdezes.h"
#include "queries/lekerdezesek__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"
#include "reference/tantargyak__form.h"
#include "students/uj_tanulo__form.h"
#include "ui/ChildWindow.h"
#include "ui/Dialogs.h"

using namespace Qt::StringLiterals;
using testing::ProgramFixture;

namespace {

bool isBox(const QObject* o) {
    return qobject_cast<const QLineEdit*>(o) || qobject_cast<const QPlainTextEdit*>(o) ||
           qobject_cast<const QComboBox*>(o) || qobject_cast<const QAbstractItemView*>(o);
}

// The visible boxes as a screen reader reaches them, down the accessibility tree; a
// box's own parts (cells, the line of a drop-down) are not boxes of the window.
void collectBoxes(QAccessibleInterface* node, QList<QAccessibleInterface*>& out) {
    for (int i = 0; i < node->childCount(); ++i) {
        QAccessibleInterface* child = node->child(i);
        if (!child) continue;
        auto* w = qobject_cast<QWidget*>(child->object());
        if (w && !w->isVisible()) continue;
        if (isBox(child->object()))
            out << child;
        else
            collectBoxes(child, out);
    }
}

// What a screen reader calls a box: the label it is labelled by, else its own name; a
// drop-down's own name is only its current value.
QString heardName(QAccessibleInterface* box) {
    const auto labels = box->relations(QAccessible::Label);
    const QString label = labels.isEmpty() ? QString() : labels.first().first->text(QAccessible::Name);
    if (!label.isEmpty()) return label;
    return qobject_cast<QComboBox*>(box->object()) ? QString() : box->text(QAccessible::Name);
}

QLabel* buddyOf(const QWidget* box) {
    for (QLabel* l : box->window()->findChildren<QLabel*>())
        if (l->buddy() == box) return l;
    return nullptr;
}

// The box a field label names: the nearest one right of it on its line, else the one just
// below it that starts nearest its left edge.
QWidget* boxBeside(const QLabel* label, const QList<QWidget*>& boxes) {
    const QRect l = label->geometry();
    QWidget* best = nullptr;
    int bestScore = INT_MAX;
    for (QWidget* b : boxes) {
        const QRect r = b->geometry();
        const bool sameLine = r.top() <= l.bottom() && r.bottom() >= l.top();
        const bool sameColumn = r.left() <= l.right() && r.right() >= l.left();
        int score = INT_MAX;
        if (sameLine && r.left() > l.right() && r.left() - l.right() <= 16)
            score = r.left() - l.right();
        else if (sameColumn && r.top() > l.bottom() && r.top() - l.bottom() <= 8)
            score = 100 + qAbs(r.left() - l.left());
        if (b->parentWidget() == label->parentWidget() && score < bestScore) best = b, bestScore = score;
    }
    return best;
}

// Every fault of the window, one line each, so that one run shows them all.
QStringList accessibilityFaults(QWidget* window) {
    QStringList faults;
    const QString where = window->objectName() + u": "_s;
    QList<QAccessibleInterface*> found;
    collectBoxes(QAccessible::queryAccessibleInterface(window), found);
    QList<QWidget*> boxes;
    for (QAccessibleInterface* box : found) {
        auto* w = qobject_cast<QWidget*>(box->object());
        boxes << w;
        if (heardName(box).trimmed().isEmpty()) faults << where + w->objectName() + u" has no name"_s;
        // a name of its own must be the label's text too, even after the label changed
        const QString name = box->text(QAccessible::Name);
        if (QLabel* l = buddyOf(w);
            l && !l->text().isEmpty() && !qobject_cast<QComboBox*>(w) && name != l->text())
            faults << where + w->objectName() + u" is called \""_s + name + u"\", its label \""_s +
                          l->text() + u"\""_s;
    }
    for (QLabel* l : window->findChildren<QLabel*>()) {
        if (!l->isVisible() || !l->text().trimmed().endsWith(u':')) continue;
        QWidget* box = boxBeside(l, boxes);
        if (box && buddyOf(box) != l)
            faults << where + u"\""_s + l->text() + u"\" stands beside "_s + box->objectName() +
                          u" but is not tied to it"_s;
    }
    if (boxes.isEmpty()) faults << where + u"no box found"_s;
    return faults;
}

// A drop-down that shows a choice must still be called by its label, not by the choice.
void chooseInEveryList(QWidget* window) {
    for (QComboBox* c : window->findChildren<QComboBox*>())
        if (c->isVisible() && c->count() > 0 && c->currentIndex() < 0) c->setCurrentIndex(0);
}

void expectNamed(QWidget* window, QStringList& faults) {
    QVERIFY2(window->isVisible(), qPrintable(window->objectName()));
    chooseInEveryList(window);
    faults << accessibilityFaults(window);
}

// A query that asks for both a class and a teacher, so that both choosers show.
void addQueryWithBothChoosers() {
    const QString folder = DM->programFolder + u"sqls/"_s + queries::kFolder;
    QVERIFY(QDir().mkpath(folder));
    QFile f(folder + u"01_mindketto.sql"_s);
    QVERIFY(f.open(QIODevice::WriteOnly | QIODevice::Truncate));
    f.write("-- Osztály és tanár\nselect nev from table_diak where osztaly_id = :osztaly_id or "
            "osztaly_id = :tanar_id\n");
}

// Shows a dialog through the standard service and reads it as a screen reader does:
// role, name and value; and the texts of its buttons.
std::tuple<QAccessible::Role, QString, QString, QStringList>
readShownDialog(const std::function<void()>& show, std::pair<QWidget*, Qt::WindowModality>* owner = nullptr) {
    std::tuple<QAccessible::Role, QString, QString, QStringList> read;
    QTimer poll;
    QObject::connect(&poll, &QTimer::timeout, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        if (!box) return;
        QAccessibleInterface* a = QAccessible::queryAccessibleInterface(box);
        QStringList buttons;
        for (QAbstractButton* b : box->buttons())
            buttons << b->text().remove(u'&');
        buttons.sort();
        if (owner) *owner = {box->parentWidget(), box->windowModality()};
        read = {a->role(), a->text(QAccessible::Name), a->text(QAccessible::Value), buttons};
        box->done(0);
    });
    poll.start(10);
    show();
    return read;
}

} // namespace

class AccessibilityTest : public QObject {
    Q_OBJECT

  private slots:
    void messageBoxesAreReadWithKindTitleAndText() {
        // Qt's standard dialogs speak Hungarian; the program's own boxes keep their buttons.
        QVERIFY(ui::loadQtTranslations());
        QDialogButtonBox standard(QDialogButtonBox::Cancel | QDialogButtonBox::Save);
        QCOMPARE(standard.button(QDialogButtonBox::Cancel)->text().remove(u'&'), u"Mégse"_s);
        ui::setDialogService(nullptr); // the standard message boxes
        const QString text = u"Első sor\rmásodik sor"_s;
        const QStringList ok{u"OK"_s}, yesNo{u"No"_s, u"Yes"_s};
        const std::tuple<std::function<void()>, QString, QStringList> cases[] = {
            {[&] { ui::warning(text); }, u"Warning"_s, ok},
            {[&] { ui::error(text); }, u"Error"_s, ok},
            {[&] { ui::information(text); }, u"Information"_s, ok},
            {[&] { ui::informationYesNo(text); }, u"Information"_s, yesNo},
            {[&] { ui::confirm(text); }, u"Confirm"_s, yesNo},
            {[&] { ui::programError(text); }, ui::kProgramName, ok},
        };
        for (const auto& [show, title, buttons] : cases)
            QCOMPARE(readShownDialog(show),
                     std::tuple(QAccessible::AlertMessage, title, u"Első sor\nmásodik sor"_s, buttons));
    }

    // A new window's boxes: Hungarian titles and buttons, owned by the window and modal to it
    // only, so that the window manager keeps them on top of it.
    void newWindowsBoxesAreHungarianAndOwnedByTheirWindow() {
        ui::setDialogService(nullptr);
        ui::ChildWindow window;
        window.show();
        QLineEdit inside(&window); // a box asked for by a control gets the control's window
        const QString text = u"Szöveg"_s;
        const QStringList ok{u"OK"_s}, yesNo{u"Igen"_s, u"Nem"_s};
        const std::tuple<std::function<void()>, QString, QStringList> cases[] = {
            {[&] { ui::warning(&window, text); }, u"Figyelmeztetés"_s, ok},
            {[&] { ui::error(&inside, text); }, u"Hiba"_s, ok},
            {[&] { ui::information(&window, text); }, u"Tájékoztatás"_s, ok},
            {[&] { ui::confirm(&window, text); }, u"Kérdés"_s, yesNo},
        };
        for (const auto& [show, title, buttons] : cases) {
            std::pair<QWidget*, Qt::WindowModality> owner{};
            QCOMPARE(readShownDialog(show, &owner),
                     std::tuple(QAccessible::AlertMessage, title, text, buttons));
            QCOMPARE(owner.first, &window);
            QCOMPARE(owner.second, Qt::WindowModal);
        }
    }

    void everyBoxListAndGridIsNamed() {
        ProgramFixture app;
        QVERIFY(app.start(u"a11y"_s, {u"--students"_s, u"3"_s}));
        QStringList faults;
        main_form->activateWindow();
        expectNamed(main_form, faults);

        // Each window as its button opens it; where a choice rewrites a heading above a
        // grid, once more after the choice. Then closed again.
        auto chooseLastRow = [](ui::DataGrid* grid, QLabel* heading) {
            return [=] {
                grid->setCurrentIndex(grid->model()->index(grid->model()->rowCount() - 1, 1));
                QVERIFY(!heading->text().isEmpty());
            };
        };
        auto chooseBothChoosers = [] {
            QComboBox* query = lekerdezesek_form->combo_lekerdezes;
            query->setCurrentIndex(query->findText(u"Osztály és tanár"_s));
            emit query->activated(query->currentIndex());
            QVERIFY(lekerdezesek_form->combo_osztaly->isVisible() &&
                    lekerdezesek_form->combo_tanar->isVisible());
        };
        const std::tuple<QPushButton*, QWidget*, std::function<void()>> windows[] = {
            {main_form->Button2, uj_tanulo_Form, {}},
            {main_form->Button1, uj_tanulo_Form, {}},
            {main_form->Button5, tanarok_form, {}},
            {main_form->Button6, tantargyak_form, {}},
            {main_form->Button4, osztalyok_form, {}},
            {main_form->Button11, tanar_targy_form,
             chooseLastRow(tanar_targy_form->DBGrid1, tanar_targy_form->Label2)},
            {main_form->Button12, oszt_tan_form,
             chooseLastRow(oszt_tan_form->dbg_osztalyok, oszt_tan_form->Label2)},
            {main_form->Button7, lekerdezesek_form, chooseBothChoosers},
        };
        addQueryWithBothChoosers();
        for (const auto& [button, window, thenChoose] : windows) {
            button->click();
            expectNamed(window, faults);
            if (thenChoose) {
                thenChoose();
                expectNamed(window, faults);
            }
            window->close();
            QVERIFY(main_form->isEnabled());
        }
        // the year's windows, each from its button on "Éves ügyintézés"
        main_form->Button14->click();
        const std::pair<const char*, QWidget*> yearly[] = {{"ButtonTanevvaltas", tanevvaltas_form},
                                                           {"ButtonNaplo", naplo_form},
                                                           {"ButtonArchivum", archivum_form}};
        for (const auto& [button, window] : yearly) {
            evi_ugyek_form->findChild<QPushButton*>(QString::fromLatin1(button))->click();
            expectNamed(window, faults);
            window->close();
        }
        evi_ugyek_form->close();
        for (const QString& f : faults)
            qWarning("%s", qPrintable(f)); // all of them: a failure message is cut short
        QVERIFY2(faults.isEmpty(), qPrintable(u"%1 faults"_s.arg(faults.size())));
        QVERIFY(app.dialogs.shown.empty());
    }

    // Closed with its "bezárás" button, which had the focus, and opened again: the cursor
    // is at the start of the tab order, where a space types rather than closes.
    void everyWindowOpensReadyToType() {
        ProgramFixture app;
        QVERIFY(app.start(u"focus"_s, {u"--students"_s, u"3"_s}));
        const std::tuple<QPushButton*, QWidget*, QWidget*> windows[] = {
            {main_form->Button2, uj_tanulo_Form, uj_tanulo_Form->e_nev},
            {main_form->Button1, uj_tanulo_Form, uj_tanulo_Form->e_nev},
            {main_form->Button5, tanarok_form, tanarok_form->DBGrid1},
            {main_form->Button6, tantargyak_form, tantargyak_form->DBGrid1},
            {main_form->Button4, osztalyok_form, osztalyok_form->combo_tanarok},
            {main_form->Button11, tanar_targy_form, tanar_targy_form->DBGrid1},
            {main_form->Button12, oszt_tan_form, oszt_tan_form->dbg_osztalyok},
            {main_form->Button7, lekerdezesek_form, lekerdezesek_form->combo_lekerdezes},
        };
        for (const auto& [button, window, first] : windows) {
            QPushButton* close = nullptr;
            for (QPushButton* b : window->findChildren<QPushButton*>())
                if (b->text() == u"bezárás"_s) close = b;
            QVERIFY(close);
            button->click();
            close->setFocus();
            close->click();
            QVERIFY(!window->isVisible());
            button->click();
            QCOMPARE(window->focusWidget(), first);
            QTest::keyClicks(first, u" x"_s);
            QVERIFY2(window->isVisible(), qPrintable(window->objectName()));
            if (auto* box = qobject_cast<QLineEdit*>(first)) QVERIFY(box->text().endsWith(u" x"_s));
            window->close();
        }
        QVERIFY(app.dialogs.shown.empty());
    }
};

QTEST_MAIN(AccessibilityTest)
#include "test_accessibility.moc"
