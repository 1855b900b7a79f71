#include "Ismetlodes.h"

#include "db/Statement.h"
#include "db/Transaction.h"

namespace intake {

QString nameBirthKey(const QString& name, const QDate& birth) {
    return name.toUpper() + QChar(0x1F) + birth.toString(Qt::ISODate);
}

Lookup::Lookup(db::Connection& connection, db::Transaction& tr) {
    QStringList marks;
    for (int i = 0; i < kBatch; ++i)
        marks << QStringLiteral(":p%1").arg(i);
    const QString in = marks.join(QStringLiteral(", "));
    // The very expressions of the indexes, or the server would read every row.
    const QString digits = QStringLiteral("replace(replace(%1, ' ', ''), '-', '')");
    const QString om = digits.arg(QStringLiteral("diak_OM"));
    const QString taj = digits.arg(QStringLiteral("diak_taj"));
    for (const QString& table : {QStringLiteral("table_diak"), QStringLiteral("table_diak_archiv")}) {
        const QString sql[Kinds] = {
            QStringLiteral("select %3 from %1 where %3 in (%2)").arg(table, in, om),
            QStringLiteral("select %3 from %1 where %3 in (%2)").arg(table, in, taj),
            // upper(): the expression of the names' own index
            QStringLiteral("select upper(nev), szul_ido from %1 where upper(nev) in (%2)").arg(table, in),
        };
        for (int k = 0; k < Kinds; ++k) {
            auto s = std::make_unique<db::Statement>(connection, tr);
            s->prepare(sql[k]);
            statements_[k].push_back(std::move(s));
        }
    }
}

Lookup::~Lookup() = default;

QString Lookup::where(int place) {
    return place == Registry ? QStringLiteral("a nyilvántartásban") : QStringLiteral("az archívumban");
}

QString Lookup::into(int place) {
    return place == Registry ? QStringLiteral("a nyilvántartásba") : QStringLiteral("az archívumba");
}

void Lookup::find(Kind kind, const QStringList& values, std::vector<QSet<QString>>& found) {
    found.assign(statements_[kind].size(), {});
    for (size_t place = 0; place < statements_[kind].size(); ++place) {
        db::Statement& s = *statements_[kind][place];
        for (qsizetype from = 0; from < values.size(); from += kBatch) {
            QVariantList params;
            for (qsizetype i = from; i < from + kBatch; ++i)
                params << (i < values.size() ? QVariant(values.at(i)) : QVariant());
            s.bind(params);
            s.execute();
            while (s.fetch())
                found[place].insert(kind == Name ? nameBirthKey(s.value(0).toString(), s.value(1).toDate())
                                                 : s.value(0).toString());
            s.closeCursor();
        }
    }
}

} // namespace intake
