#pragma once

#include <QDateTime>
#include <QList>
#include <QString>
#include <QStringList>

#include "output/Xlsx.h"

namespace db {
class Connection;
}

// A parent's request: what the school holds of one student, current or leaver, gathered
// from every table that names her, as a PDF to read and a workbook of one sheet a part.
namespace hozzaferes {

struct Kerelem {
    int diakId = 0;
    QString nev;
    QDateTime keszult;
    QString keszitette; // the person, as the database knows her
    QList<output::Sheet> reszek;
};

// Gathered in one transaction (reading her statuses is recorded like any other read).
Kerelem osszegyujt(db::Connection& connection, int diakId);
// The tables the parts read, and those that name a student but hold only copies of what
// the parts show, each with why.
const QStringList& tablak();
const QList<std::pair<QString, QString>>& masolatok();

QString html(const Kerelem& k);
// Both files written; false with the Hungarian reason when either was not. Making them is
// an event of the change log.
bool ment(db::Connection& connection, const Kerelem& k, const QString& pdf, const QString& xlsx,
          QString& error);

} // namespace hozzaferes
