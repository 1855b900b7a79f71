#include "Fiok.h"

#include <QAction>
#include <QRegularExpression>
#include <QWidget>

#include "belepes__form.h"
#include "db/Connection.h"
#include "db/Error.h"
#include "db/Statement.h"
#include "db/Transaction.h"
#include "ui/Dialogs.h"
#include "ui/Nevelo.h"

namespace fiok {

namespace {
Munkamenet current;

QString param(const QStringList& params, const QString& key) {
    for (const QString& p : params)
        if (p.section(u'=', 0, 0).trimmed().compare(key, Qt::CaseInsensitive) == 0) return p.section(u'=', 1);
    return {};
}

bool loginRefused(const db::DbError& e) {
    return e.hasCode(isc_login);
}
} // namespace

QString szerepNev(Szerep szerep) {
    switch (szerep) {
    case Szerep::Olvaso:
        return QStringLiteral("olvasó");
    case Szerep::Iroda:
        return QStringLiteral("iroda");
    case Szerep::Vezeto:
        return QStringLiteral("vezető");
    case Szerep::Rendszergazda:
        return QStringLiteral("rendszergazda");
    case Szerep::Nincs:
        break;
    }
    return QStringLiteral("nincs");
}

QString szerepRole(Szerep szerep) {
    switch (szerep) {
    case Szerep::Olvaso:
        return QStringLiteral("KORVANA_OLVASO");
    case Szerep::Iroda:
        return QStringLiteral("KORVANA_IRODA");
    case Szerep::Vezeto:
        return QStringLiteral("KORVANA_VEZETO");
    default:
        return {};
    }
}

Szerep szerepByRole(const QString& role) {
    for (Szerep s : {Szerep::Vezeto, Szerep::Iroda, Szerep::Olvaso})
        if (role.trimmed().compare(szerepRole(s), Qt::CaseInsensitive) == 0) return s;
    return Szerep::Nincs;
}

QString Munkamenet::leiras() const {
    const QString who =
        teljesNev.isEmpty() ? felhasznalo : QStringLiteral("%1 (%2)").arg(teljesNev, felhasznalo);
    return QStringLiteral("%1, %2").arg(who, szerepNev(szerep));
}

const Munkamenet& munkamenet() {
    return current;
}

bool szabad(Szerep legalabb) {
    return current.szerep >= legalabb;
}

QStringList& beepitettBelepes() {
    static QStringList login{QStringLiteral("user_name=sysdba"), QStringLiteral("password=velvetoak")};
    return login;
}

bool belep(db::Connection& connection) {
    const QString charset = QStringLiteral("lc_ctype=WIN1250");
    try {
        connection.open();
        return true;
    } catch (const db::DbError& e) {
        if (!loginRefused(e)) return false;
    }
    // The office has turned personal accounts on: the person logs in as herself.
    Tbelepes_form login;
    for (;;) {
        if (login.exec() != QDialog::Accepted) return false;
        connection.setParams({QStringLiteral("user_name=") + login.e_nev->text().trimmed(),
                              QStringLiteral("password=") + login.e_jelszo->text(), charset});
        try {
            connection.open();
            return true;
        } catch (const db::DbError& e) {
            if (!loginRefused(e)) return false;
        }
        // Which of the two was wrong is not told; the window stays behind its message, where
        // it was (shown again, a window manager would place it anew)
        const QPoint at = login.pos();
        login.show();
        login.move(at);
        ui::warning(&login, QStringLiteral("A felhasználónév vagy a jelszó nem megfelelő."));
        login.e_jelszo->clear();
        login.e_jelszo->setFocus();
    }
}

namespace {
// The row of the first column of a one-row select, in a read-only transaction of its own.
QVariantList readOne(db::Connection& connection, const QString& sql) {
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(sql);
    s.execute();
    QVariantList row;
    if (s.fetch())
        for (int c = 0; c < s.columnCount(); ++c)
            row << s.value(c);
    s.closeCursor();
    tr.commit();
    return row;
}
} // namespace

QString szerepetVesz(db::Connection& connection) {
    Munkamenet who;
    // What anyone attached may read: who she is, her roles, whether the accounts are on.
    const QVariantList me = readOne(
        connection,
        QStringLiteral(
            "select trim(current_user), (select list(trim(rdb$relation_name)) from rdb$user_privileges "
            "where rdb$user = current_user and rdb$privilege = 'M' and rdb$user_type = 8), "
            "(select count(*) from rdb$relations where rdb$relation_name = 'TABLE_FIOK_JEL') "
            "from rdb$database"));
    who.felhasznalo = me.value(0).toString();
    const QStringList roles = me.value(1).toString().split(u',', Qt::SkipEmptyParts);
    const bool hasAccounts = me.value(2).toInt() > 0;
    if (who.felhasznalo.compare(QStringLiteral("SYSDBA"), Qt::CaseInsensitive) == 0) {
        const bool accountsOn =
            hasAccounts &&
            readOne(connection, QStringLiteral("select count(*) from table_fiok_jel")).value(0).toInt() > 0;
        // A forgotten step must not leave everyone on the shared login.
        if (accountsOn && param(connection.params(), QStringLiteral("password")) ==
                              param(beepitettBelepes(), QStringLiteral("password")))
            return QStringLiteral(
                "A személyes fiókok be vannak kapcsolva, a szerver SYSDBA-jelszava mégis a "
                "program beépített jelszava.\rA rendszergazda változtassa meg a szerveren a "
                "SYSDBA jelszavát, ahogy a leírás mondja; addig a program nem indul.");
        who.szerep = Szerep::Rendszergazda;
        current = who;
        return {};
    }
    who.szerep = Szerep::Nincs;
    for (Szerep s : {Szerep::Vezeto, Szerep::Iroda, Szerep::Olvaso})
        if (roles.contains(szerepRole(s))) {
            who.szerep = s;
            break;
        }
    if (who.szerep == Szerep::Nincs) return QStringLiteral("Ehhez az adatbázishoz nincs jogosultsága.");
    // Firebird 3 has no default roles: the attachment names the one it works in. The head
    // of office works as the database's administrator, who may manage the accounts.
    const QString role = who.szerep == Szerep::Vezeto && roles.contains(QStringLiteral("RDB$ADMIN"))
                             ? QStringLiteral("RDB$ADMIN")
                             : szerepRole(who.szerep);
    QStringList params;
    for (const QString& p : connection.params())
        if (param({p}, QStringLiteral("sql_role_name")).isEmpty()) params << p;
    connection.close();
    connection.setParams(params << QStringLiteral("sql_role_name=") + role);
    connection.open();
    if (hasAccounts)
        who.teljesNev = readOne(connection, QStringLiteral("select teljes_nev from table_fiok where "
                                                           "felhasznalo = current_user"))
                            .value(0)
                            .toString()
                            .trimmed();
    current = who;
    return {};
}

QString korlatMiatt(Szerep legalabb) {
    return QStringLiteral("%1 szerepkörrel nem használható; legalább „%2” kell hozzá.")
        .arg(ui::aAz(QStringLiteral("„%1”").arg(szerepNev(current.szerep)), true), szerepNev(legalabb));
}

void korlatoz(QWidget* control, Szerep legalabb) {
    if (szabad(legalabb)) return;
    control->setEnabled(false);
    control->setToolTip(korlatMiatt(legalabb));
}

void korlatoz(QAction* action, Szerep legalabb) {
    if (szabad(legalabb)) return;
    action->setEnabled(false);
    action->setToolTip(korlatMiatt(legalabb));
}

QStringList hasznalhato(db::Connection& connection) {
    if (szabad(Szerep::Vezeto)) return {};
    db::Transaction tr(connection, nullptr, db::Transaction::Access::ReadOnly);
    db::Statement s(connection, tr);
    s.prepare(
        QStringLiteral("select distinct trim(rdb$relation_name) from rdb$user_privileges where rdb$user = "
                       "current_role and rdb$user_type = 13 and rdb$privilege in ('S', 'X')"));
    s.execute();
    QStringList names;
    while (s.fetch())
        names << s.value(0).toString();
    s.closeCursor();
    tr.commit();
    return names;
}

QStringList tiltottNevek(const QString& sql, const QStringList& hasznalhato) {
    QStringList tiltott;
    if (szabad(Szerep::Vezeto)) return tiltott;
    static const QRegularExpression names(QStringLiteral("\\b(?:TABLE|TMP|PRC|FN)_[A-Z0-9_$]+\\b"),
                                          QRegularExpression::CaseInsensitiveOption);
    for (auto it = names.globalMatch(sql); it.hasNext();) {
        const QString name = it.next().captured().toUpper();
        if (!hasznalhato.contains(name) && !tiltott.contains(name)) tiltott << name;
    }
    return tiltott;
}

QString literal(const QString& text) {
    QString t = text;
    return u'\'' + t.replace(u'\'', QStringLiteral("''")) + u'\'';
}

bool joFelhasznaloNev(const QString& name) {
    static const QRegularExpression form(QStringLiteral("^[A-Za-z][A-Za-z0-9_]{0,30}$"));
    return form.match(name).hasMatch() && !name.startsWith(QStringLiteral("RDB$"), Qt::CaseInsensitive);
}

namespace {
// Firebird 3's reserved words: as a user name each is taken for the word itself.
const QStringList& reservedWords() {
    static const QStringList words =
        QStringLiteral(
            "ADD ADMIN ALL ALTER AND ANY AS AT AVG BEGIN BETWEEN BIGINT BIT_LENGTH BLOB BOOLEAN BOTH BY CASE "
            "CAST CHAR CHAR_LENGTH CHARACTER CHARACTER_LENGTH CHECK CLOSE COLLATE COLUMN COMMIT CONNECT "
            "CONSTRAINT CORR COUNT COVAR_POP COVAR_SAMP CREATE CROSS CURRENT CURRENT_CONNECTION CURRENT_DATE "
            "CURRENT_ROLE CURRENT_TIME CURRENT_TIMESTAMP CURRENT_TRANSACTION CURRENT_USER CURSOR DATE DAY "
            "DEC "
            "DECIMAL DECLARE DEFAULT DELETE DELETING DETERMINISTIC DISCONNECT DISTINCT DOUBLE DROP ELSE END "
            "ESCAPE EXECUTE EXISTS EXTERNAL EXTRACT FALSE FETCH FILTER FLOAT FOR FOREIGN FROM FULL FUNCTION "
            "GDSCODE GLOBAL GRANT GROUP HAVING HOUR IN INDEX INNER INSENSITIVE INSERT INSERTING INT INTEGER "
            "INTO IS JOIN LEADING LEFT LIKE LONG LOWER MAX MAXIMUM_SEGMENT MERGE MIN MINUTE MONTH NATIONAL "
            "NATURAL NCHAR NO NOT NULL NUMERIC OCTET_LENGTH OF OFFSET ON ONLY OPEN OR ORDER OUTER OVER "
            "PARAMETER PLAN POSITION POST_EVENT PRECISION PRIMARY PROCEDURE REAL RECORD_VERSION RECREATE "
            "RECURSIVE REFERENCES REGR_AVGX REGR_AVGY REGR_COUNT REGR_INTERCEPT REGR_R2 REGR_SLOPE REGR_SXX "
            "REGR_SXY REGR_SYY RELEASE RETURN RETURNING_VALUES RETURNS REVOKE RIGHT ROLLBACK ROW ROW_COUNT "
            "ROWS "
            "SAVEPOINT SCROLL SECOND SELECT SENSITIVE SET SIMILAR SMALLINT SOME SQLCODE SQLSTATE START "
            "STDDEV_POP STDDEV_SAMP SUM TABLE THEN TIME TIMESTAMP TO TRAILING TRIGGER TRIM TRUE UNION UNIQUE "
            "UNKNOWN UPDATE UPDATING UPPER USER USING VALUE VALUES VAR_POP VAR_SAMP VARCHAR VARIABLE VARYING "
            "VIEW WHEN WHERE WHILE WITH YEAR")
            .split(u' ');
    return words;
}
} // namespace

QString felhasznaloNevHiba(const QString& name) {
    const QString upper = name.toUpper();
    if (upper.size() > kNevMax)
        return QStringLiteral("A felhasználónév legfeljebb %1 karakter lehet, mert a szerver ennyit őriz meg "
                              "belőle; ez %2 karakteres.")
            .arg(kNevMax)
            .arg(upper.size());
    if (!joFelhasznaloNev(upper))
        return QStringLiteral("A felhasználónév betűvel kezdődjön, és csak ékezet nélküli betűket, "
                              "számjegyeket és aláhúzásjelet tartalmazzon.");
    if (upper == QStringLiteral("PUBLIC"))
        return QStringLiteral("A PUBLIC név a szerveren mindenkit jelent: egy ilyen fiók szerepét a szerver "
                              "minden fiókja megkapná. Válasszon másik nevet.");
    if (upper == QStringLiteral("SYSDBA") || upper.startsWith(QStringLiteral("KORVANA_")))
        return QStringLiteral("%1 nevet a szerver vagy a program már használja. Válasszon másik nevet.")
            .arg(ui::aAz(upper, true));
    if (reservedWords().contains(upper))
        return QStringLiteral("%1 a szerver SQL-nyelvének foglalt szava, felhasználónév nem lehet. "
                              "Válasszon másik nevet.")
            .arg(ui::aAz(upper, true));
    return {};
}

QString jelszoHiba(const QString& password) {
    if (password.size() < kJelszoMin)
        return QStringLiteral("A jelszó legalább %1 karakter legyen.").arg(kJelszoMin);
    if (password.size() > kJelszoMax)
        return QStringLiteral("A jelszó legfeljebb %1 karakter lehet; ez %2 karakteres.")
            .arg(kJelszoMax)
            .arg(password.size());
    return {};
}

} // namespace fiok
