#pragma once

#include <QAbstractTableModel>
#include <QHash>
#include <QList>
#include <QString>
#include <memory>
#include <vector>

#include "Mezok.h"
#include "Sorszabaly.h"
#include "Tablazat.h"

class QTimer;

namespace db {
class Connection;
class Transaction;
} // namespace db
namespace output {
class Progress;
}

// Students read from a spreadsheet: every row checked before anything is written, and
// the ready rows stored in one transaction. The rules live beside it: the fields in
// Mezok, a row's rules in Sorszabaly, the duplicates' lookups in Ismetlodes, the storing
// in Tarolas; this class keeps each row's state and shows it.
namespace intake {

class Lookup;

enum class Status : quint8 { Unchecked, Ready, Warning, Error, Imported };

// The preview: every row of the sheet with its state and reasons, checked in order, a
// chunk at a time while the event loop runs, so that the first rows show at once.
class Preview : public QAbstractTableModel {
    Q_OBJECT
  public:
    explicit Preview(db::Connection& connection, QObject* parent = nullptr);
    ~Preview() override;

    // Each of these starts the checking over (the classes and languages read anew); the
    // first rows are checked at once, the rest as the event loop runs. A mapping set is the
    // office's choice: the columns it changes are remembered by an import that succeeds.
    void setSheet(Sheet sheet, const Mapping& mapping, const Defaults& defaults);
    void setMapping(const Mapping& mapping);
    void setDefaults(const Defaults& defaults);
    void recheck();

    const Sheet& sheet() const { return sheet_; }
    const Mapping& mapping() const { return mapping_; }
    const Defaults& defaults() const { return defaults_; }
    // The slash dates of the mapped date columns: unsettled asks the office for the order.
    const SlashDates& slashDates() const { return slash_; }

    // Checks the next rows; false when every row is checked.
    bool checkSome(int rows);
    // The rest at once; throws output::Cancelled when the user stops it.
    void checkAll(output::Progress* progress = nullptr);
    int checkedRows() const { return checked_; }
    bool isChecked() const { return checked_ == sheet_.rowCount(); }

    Status status(int row) const { return status_[static_cast<size_t>(row)]; }
    QString reason(int row) const { return reasons_.value(row); }
    bool isIncluded(int row) const { return included_[static_cast<size_t>(row)] != 0; }
    void setIncluded(int row, bool on);
    struct Counts {
        int ready = 0, warnings = 0, errors = 0, included = 0, imported = 0, importedWithWarning = 0;
    };
    Counts counts() const;
    // Classes the file names that the school does not have yet.
    const QList<ClassName>& missingClasses() const { return missingClasses_; }
    // Adds them through the classes' own procedure, in one transaction, and checks again;
    // a new class's letter takes the case of the school's classes.
    void createMissingClasses();

    // The included rows that are ready or warned about, in one transaction; nothing stays
    // when anything fails or the user stops it (output::Cancelled). Rows that became
    // duplicates since they were checked turn into errors, and a db::Error names them.
    // The number stored.
    int importRows(output::Progress* progress = nullptr);

    // Rows saved with their cells and the reason, as CSV or .xlsx by the name's ending;
    // empty on success, else the Hungarian reason.
    enum class Rows { LeftOut, ImportedWithWarning };
    QString saveRows(const QString& path, Rows which) const;
    QString saveLeftOut(const QString& path) const { return saveRows(path, Rows::LeftOut); }
    int leftOutCount() const;

    static constexpr int kFixedColumns = 4; // tick, row, state, reason
    int rowCount(const QModelIndex& parent = {}) const override;
    int columnCount(const QModelIndex& parent = {}) const override;
    QVariant data(const QModelIndex& index, int role) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role) const override;
    Qt::ItemFlags flags(const QModelIndex& index) const override;
    bool setData(const QModelIndex& index, const QVariant& value, int role) override;

  signals:
    // More rows were checked (or the checking started over).
    void progressed();

  private:
    void loadReference();
    void endLookups();
    bool isSaved(int row, Rows which) const;
    QString columnHeading(int column) const;

    db::Connection& connection_;
    Sheet sheet_;
    Mapping mapping_;
    std::vector<char> chosen_; // columns whose field the office changed: remembered by an import
    Defaults defaults_;
    SlashDates slash_;
    Defaults rowDefaults_; // the defaults with the date order the file settles
    std::vector<Status> status_;
    std::vector<char> included_;
    std::vector<char> nameTwin_; // a namesake with the same birth date was found when checked
    QHash<int, QString> reasons_;
    int checked_ = 0;
    QTimer* timer_;

    // Read once per checking.
    Reference reference_;
    QList<ClassName> missingClasses_;
    QHash<QString, int> seenOm_, seenTaj_, seenNameBirth_; // -> source row
    std::unique_ptr<db::Transaction> lookupTr_;
    std::unique_ptr<Lookup> lookup_;
};

} // namespace intake
