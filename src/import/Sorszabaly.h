#pragma once

#include <QDate>
#include <QHash>
#include <QString>
#include <QStringList>
#include <QStringView>
#include <array>

#include "Mezok.h"
#include "students/TanuloAdatok.h"

namespace db {
class Connection;
class Transaction;
} // namespace db

// The rules one row of a spreadsheet must meet before it is stored: what is required,
// how dates, classes, languages, school years and addresses are read, what fits.
namespace intake {

class Sheet;

// Which of a slash date's first two parts is the day. A file decides it: a first part
// above 12 makes it day-first, a second part above 12 month-first, both make it mixed (no
// slash date of it is read); when none is above 12 it is unsettled until the office says.
enum class DateOrder : quint8 { DayFirst, MonthFirst, Unsettled, Mixed };
// 2011.06.18., 2011.06.18, 2011-06-18, 18/06/2011 (06/18/2011 month-first); an invalid date
// for anything else, and for a slash date whose order is unsettled or mixed, unless its
// day and month are the same.
QDate parseDate(QStringView text, DateOrder order = DateOrder::DayFirst);
struct SlashDates {
    DateOrder order = DateOrder::DayFirst; // DayFirst also when no date needs an order
    QStringList examples;                  // unsettled: two of them, for the question
};
// The slash dates of the columns that give dates.
SlashDates slashDates(const Sheet& sheet, const Mapping& mapping);
struct ClassName {
    int grade = 0;
    QString letter;
    QString text() const { return QStringLiteral("%1.%2").arg(grade).arg(letter); }
};
// "9.A", "9/A", "9. A", "9A"; a letter alone leaves the grade 0. False when it is neither.
bool parseClass(QStringView text, ClassName& out);

// What the whole file gets when its columns do not say; 0 for none.
struct Defaults {
    int classId = 0;
    int languageId = 0;
    int year = 0;
    // What the office chose when the file's dates do not say.
    DateOrder dateOrder = DateOrder::Unsettled;
    // The server's date, which an empty enrolment takes as the record window does (the
    // workstation's when none was read).
    QDate today;
};

// The school's classes and languages and the columns' widths, read once per checking.
struct Reference {
    QHash<QString, int> classes; // "9.A" (upper case letter) -> id
    QHash<QString, int> languages;
    int lengths[kTextFields] = {};
    // The letter case of the school's class letters: a new class takes it.
    enum class LetterCase { AsTyped, Lower, Upper } letterCase = LetterCase::AsTyped;
    void load(db::Connection& connection, db::Transaction& tr);
    int classId(int grade, const QString& letter) const;
    QString letterFor(const QString& typed) const;
};

// One row, as it would be stored, with what is wrong with it.
struct Row {
    std::array<QString, kTextFields> text;
    QDate birth;
    int classId = 0, languageId = 0, year = 0;
    ClassName missingClass;
    QStringList errors, warnings; // each a sentence
    QString om, taj;              // as compared: without blanks and hyphens
    // The further data, when a column gives any; the statuses only when a column gives one.
    tanulo_adatok::Adatok adatok;
    bool vanAdat = false, vanBizalmas = false;
    // Ticked by the office although a student of the same name and birth date was there
    // when it was checked: the storing's re-check lets it in.
    bool nameTwinChosen = false;
    // A guess the office should look at: the row waits for its tick.
    bool onlyIfTicked = false;
};
Row readRow(const Sheet& sheet, int row, const Mapping& mapping, const Defaults& defaults,
            const Reference& reference);

// The text with a full stop unless it ends a sentence already.
QString sentence(const QString& text);

} // namespace intake
