#pragma once

#include <QString>
#include <QVariantList>

#include "Statement.h"

namespace db {

// A stored procedure call built from the procedure's input parameters as the
// database describes them; values are bound by position and converted to each type.
class StoredProcedure {
  public:
    StoredProcedure(Connection& connection, Transaction& transaction);

    // Reads the procedure's input parameters; an unknown name is an error here.
    void setName(const QString& name);
    const QString& name() const { return name_; }
    const QStringList& inputNames() const { return inputs_; }
    void prepare();
    void bind(const QVariantList& values);
    void execute();
    void close() { statement_.free(); }

  private:
    Connection& connection_;
    Transaction& transaction_;
    Statement statement_;
    QString name_;
    QStringList inputs_;
};

} // namespace db
