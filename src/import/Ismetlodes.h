#pragma once

#include <QDate>
#include <QSet>
#include <QString>
#include <QStringList>
#include <memory>
#include <vector>

namespace db {
class Connection;
class Statement;
class Transaction;
} // namespace db

// Students already there: identifiers and names looked up in the registry and the
// archive, a batch at a time, each by its index, so that a row's cost does not grow with
// the registry. OM and TAJ are compared without blanks and hyphens, names in upper case.
namespace intake {

QString nameBirthKey(const QString& name, const QDate& birth);

class Lookup {
  public:
    static constexpr int kBatch = 200;
    enum Kind { Om, Taj, Name, Kinds };
    enum Place { Registry, Archive, Places };

    Lookup(db::Connection& connection, db::Transaction& tr);
    ~Lookup();
    // found[place] gets the values (identifiers without blanks and hyphens; for names the
    // name and birth keys) that are there. Names are given in upper case.
    void find(Kind kind, const QStringList& values, std::vector<QSet<QString>>& found);
    // "a nyilvántartásban", "az archívumban"
    static QString where(int place);
    // "a nyilvántartásba", "az archívumba"
    static QString into(int place);

  private:
    std::vector<std::unique_ptr<db::Statement>> statements_[Kinds];
};

} // namespace intake
