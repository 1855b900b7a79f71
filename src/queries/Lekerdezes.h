#pragma once

#include <QList>
#include <QString>
#include <QStringList>

namespace db {
class Transaction;
}

// The query files of the queries folder: each one select statement whose first
// comment line is its title. A school adds its own by dropping a file there.
namespace queries {

// Within the sqls folder.
inline const QString kFolder = QStringLiteral("lekerdezesek/");

// The parameters a query may use; the window fills each from its own source.
inline const QString kClassParam = QStringLiteral("osztaly_id");
inline const QString kTeacherParam = QStringLiteral("tanar_id");
inline const QString kYearParam = QStringLiteral("tanev");
inline const QString kDayParam = QStringLiteral("nap"); // a day, 1 October of the school year unless typed

struct QueryFile {
    QString fileName; // within the folder
    QString title;
};

// The .sql files of the folder in file-name order, each with its title; an empty
// list when the folder is missing.
QList<QueryFile> listQueries(const QString& folder);
// The text of the first line when it is a comment, else the file's base name.
QString titleOf(const QString& sql, const QString& fileName);
// The statement as the server takes it: a closing ";" is dropped.
QString statementOf(const QString& sql);
// The parameter names in order of first appearance, each once, in lower case.
QStringList parameterNames(const QString& sql);
// The names the window cannot fill.
QStringList unknownParameters(const QStringList& names);
// Whether the server prepares the text as a plain select (not one that locks rows);
// the statement is prepared only, never run. Throws when it does not prepare.
bool isPlainSelect(db::Transaction& transaction, const QString& sql);

} // namespace queries
