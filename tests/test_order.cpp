// Names in Hungarian alphabetical order in the lists that sort by name, one of each kind:
// the main list by name and by class, the quick search, a class list, a window's list and
// a drop-down. (The database's own order: db_procedures_test.)
#include <QFile>
#include <QtTest>
#include <functional>

#include "TestSupport.h"
#include "data/DataModule.h"
#include "main/main__form.h"
#include "reference/osztalyok__form.h"
#include "reference/tanarok__form.h"

using namespace Qt::StringLiterals;
using testing::ProgramFixture;

namespace {

// Long vowels count as their short pair, the short first only between otherwise equal
// names; ö/ő after o/ó, ü/ű after u/ú; cs, dz, dzs, sz, zs letters of their own.
const QStringList kOrder{u"Ábrahám Ábel"_s, u"Adorján Anna"_s, u"Czakó Zita"_s,    u"Csányi Cecília"_s,
                         u"Dzurák Dávid"_s, u"Dzsida Dorka"_s, u"Kovacs Éva"_s,    u"Kovács Éva"_s,
                         u"Ónodi Ottó"_s,   u"Orbán Ödön"_s,   u"Őri Őze"_s,       u"Ötvös Ödön"_s,
                         u"Sütő Sára"_s,    u"Szabó Szonja"_s, u"Urbán Ugor"_s,    u"Űri Ürmös"_s,
                         u"Ürmös Üllő"_s,   u"Zala Zoltán"_s,  u"Zsoldos Zsófia"_s};

QStringList column(db::Dataset& list, const QString& field) {
    list.fetchAll();
    QStringList out;
    for (int r = 0; r < list.rowCount(); ++r)
        out << list.value(r, field).toString();
    return out;
}

// The field of each row line, or the visible part of each drop-down item.
QStringList fields(const QStringList& lines, int field) {
    QStringList out;
    for (const QString& line : lines)
        out << line.section(u';', field, field);
    return out;
}
QStringList labels(const QComboBox* combo) {
    QStringList out;
    for (int i = 0; i < combo->count(); ++i)
        out << combo->itemText(i).section(u"  "_s, 0, 0);
    return out;
}

// What the window shows once its button has opened it; then it is closed again.
QStringList shownBy(QPushButton* opener, QWidget* window, const std::function<QStringList()>& read) {
    opener->click();
    const QStringList out = read();
    window->close();
    return out;
}

} // namespace

class OrderTest : public QObject {
    Q_OBJECT

  private slots:
    void everyNameOrderedListIsInHungarianOrder() {
        ProgramFixture app;
        QVERIFY(app.start(u"order"_s));
        testing::OtherCopy other(app.db.connectionString);
        other.run(u"execute procedure PRC_OSZTALY_FELVETELE(null, null, 'a', -1, '9')"_s);
        const int cls = other.first(u"select id from table_osztaly"_s).toInt();
        for (qsizetype i = kOrder.size() - 1; i >= 0; --i) { // stored against the order
            other.run(u"insert into table_diak (nev, osztaly_ID) values (?, ?)"_s, {kOrder[i], cls});
            other.run(u"insert into table_tanar (nev) values (?)"_s, {kOrder[i]});
        }
        QFile classList(testing::sourceDir() + u"/sqls/lekerdezesek/01_osztalynevsor.sql"_s);
        QVERIFY(classList.open(QIODevice::ReadOnly));
        const QString classListSql = QString::fromUtf8(classList.readAll());
        auto students = [](QPushButton* sort) {
            return [sort] {
                sort->click();
                return column(DM->dataset_Tanulok, u"Diák neve"_s);
            };
        };

        const std::pair<QString, std::function<QStringList()>> lists[] = {
            {u"név szerint"_s, students(main_form->Button8)},
            {u"évf. és oszt. szerint"_s, students(main_form->Button9)},
            {u"gyorskeresés"_s,
             [] {
                 main_form->edit_gyors_ker->setText(u"%"_s);
                 return column(DM->dataset_Tanulok, u"Diák neve"_s);
             }},
            {u"osztálynévsor"_s, [&] { return fields(testing::rows(classListSql, {cls}), 1); }},
            {u"tanárok"_s,
             [] {
                 return shownBy(main_form->Button5, tanarok_form,
                                [] { return column(DM->dataset_Tanarok, u"Tanár neve"_s); });
             }},
            {u"osztályfőnökök"_s,
             [] {
                 return shownBy(main_form->Button4, osztalyok_form,
                                [] { return labels(osztalyok_form->combo_tanarok); });
             }},
        };
        for (const auto& [name, read] : lists) {
            const QStringList shown = read();
            QVERIFY2(shown == kOrder, qPrintable(name + u": "_s + shown.join(u", "_s)));
        }
        QVERIFY(app.dialogs.shown.empty());
    }
};

QTEST_MAIN(OrderTest)
#include "test_order.moc"
