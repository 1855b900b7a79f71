#pragma once

#include <QDate>
#include <QHash>
#include <QList>
#include <QString>
#include <QStringList>
#include <functional>

#include "Sablon.h"

class QPrinter;

namespace db {
class Connection;
class Transaction;
} // namespace db

namespace documents {

QString schoolYearText(int year); // "2026/2027"

// Compulsory schooling lasts to the end of the school year in which the student turns 16
// (an SNI student's, when extended, 23): in the school year starting in year, when that
// birthday is on 1 September or later.
bool compulsory(const QDate& born, int year, int untilAge = 16);
// The fields of the document itself for the school year: the enrolment's schedule
// ("munkarend": day school or individual), the compulsory-schooling sentence
// ("tankotelezettseg", empty when the student is past it or the birth date is unknown;
// it never says why it lasts longer, which is sensitive), and the expected end of the
// enrolment ("jogviszony_vege", empty unless the school's last grade is known).
void addSchoolYearFields(QHash<QString, QString>& fields, int year);

// One student's fields, with the class's and the school's, read in tr; throws when the
// student is no longer there. The statuses only with `statuses` (and the role's right):
// reading them is recorded, which needs a read-write transaction.
QHash<QString, QString> studentFields(db::Transaction& tr, int studentId, bool statuses = true);
// The school's data the template uses but the school has not given, as the office names
// them ("az iskola neve", "az igazgató neve"); empty when nothing is missing.
QStringList missingSchoolData(const Sablon& sablon, const QHash<QString, QString>& fields);
// What the office is told when it is not empty.
QString missingSchoolDataText(const QStringList& missing);
// The students of a class in name order.
QList<int> classStudents(db::Transaction& tr, int classId);

// Lays the documents out one after another, each from a new page; false when the
// printer could not be written.
bool render(QPrinter& printer, const QStringList& htmls);

// The documents as they would be issued, taking no number: "Iktatószám: kiadáskor".
QStringList preview(db::Connection& connection, const Sablon& sablon, int year, const QList<int>& students,
                    const QDate& day, const QHash<QString, QString>& extra = {});

// Issues the template for each student: takes the next numbers of the school year and
// records the documents in one transaction of its own, fills them in, lets output print
// or save them, and commits only when output says it succeeded. Another copy taking
// numbers at the same moment makes it try again, so numbers stay consecutive and never
// repeat. extra: fields chosen when printing (the purpose, "cel"). Returns the first number; throws on
// failure (nothing is recorded then).
int issue(db::Connection& connection, const Sablon& sablon, int year, const QList<int>& students,
          const QDate& day, const std::function<bool(const QStringList& htmls)>& output,
          const QHash<QString, QString>& extra = {});

} // namespace documents
