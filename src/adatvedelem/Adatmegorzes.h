#pragma once

#include <QDate>
#include <QList>
#include <QString>
#include <QStringList>
#include <optional>

namespace db {
class Connection;
}

// Leavers' data kept only for the periods the school's own rules set, by category; what
// certificates and the permanent records need is in none of them.
namespace adatmegorzes {

struct Kategoria {
    QString kod;       // as the database names it
    QString nev;       // as the office reads it
    QStringList mezok; // the fields it clears, by their Hungarian names
};
const QList<Kategoria>& kategoriak();

// The periods in years after leaving, a category's empty when the office set none.
QList<std::optional<int>> idok(db::Connection& connection);
void idokMentese(db::Connection& connection, const QList<std::optional<int>>& evek);
// A period as typed: empty for none, else a whole number of years; the Hungarian reason
// when it is neither.
QString idoHiba(const QString& text, const QString& kategoria);

// The cut-off a period gives on the day: leavers who left before it fall under it.
QDate hatarnap(int evek, const QDate& ma);

// How many leavers fall before the cut-off in the category; changes nothing.
int elonezet(db::Connection& connection, const QString& kategoria, const QDate& hatarnap);
struct Torles {
    QString kategoria;
    QDate hatarnap;
};
// Clears the categories in one transaction; the leavers cleared in each, in order.
QList<int> torol(db::Connection& connection, const QList<Torles>& mit);

} // namespace adatmegorzes
