#include "StoredProcedure.h"

#include "Error.h"
#include "Transaction.h"
#include "ui/Nevelo.h"

namespace db {

StoredProcedure::StoredProcedure(Connection& connection, Transaction& transaction)
    : connection_(connection), transaction_(transaction), statement_(connection, transaction) {}

void StoredProcedure::setName(const QString& name) {
    name_ = name.trimmed().toUpper();
    inputs_.clear();
    Statement lookup(connection_, transaction_);
    lookup.prepare(QStringLiteral("select p.rdb$procedure_name, pp.rdb$parameter_name from rdb$procedures p "
                                  "left join rdb$procedure_parameters pp on pp.rdb$procedure_name = "
                                  "p.rdb$procedure_name and pp.rdb$parameter_type = 0 "
                                  "where p.rdb$procedure_name = :name order by pp.rdb$parameter_number"));
    lookup.setParam(0, name_);
    lookup.execute();
    bool known = false;
    while (lookup.fetch()) {
        known = true;
        const QVariant param = lookup.value(1);
        if (!param.isNull()) inputs_ << param.toString().trimmed();
    }
    if (!known) throw Error(QStringLiteral("Ismeretlen tárolt eljárás: %1").arg(name_));
}

void StoredProcedure::prepare() {
    QStringList marks;
    for (qsizetype i = 0; i < inputs_.size(); ++i)
        marks << QStringLiteral("?");
    const QString sql =
        QStringLiteral("execute procedure %1").arg(name_) +
        (marks.isEmpty() ? QString() : QStringLiteral("(%1)").arg(marks.join(QStringLiteral(", "))));
    statement_.prepare(sql);
}

void StoredProcedure::bind(const QVariantList& values) {
    if (values.size() > inputs_.size())
        throw Error(QStringLiteral("%1 eljárásnak %2 bemenő paramétere van, %3 érték érkezett.")
                        .arg(ui::aAz(name_, true))
                        .arg(inputs_.size())
                        .arg(values.size()));
    statement_.bind(values);
}

void StoredProcedure::execute() {
    statement_.execute();
}

} // namespace db
