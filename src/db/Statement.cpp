#include "Statement.h"

#include <QDateTime>
#include <QTime>
#include <cmath>
#include <cstring>
#include <limits>

#include "Connection.h"
#include "Error.h"
#include "Text.h"
#include "Transaction.h"
#include "Values.h"

namespace db {

namespace {

const QDate kEpoch(1858, 11, 17); // day zero of the server's dates
constexpr int kTimeUnits = 10000; // server time is in 1/10000 s

bool isIdentStart(QChar c) {
    return c.isLetter() || c == QLatin1Char('_');
}
bool isIdentPart(QChar c) {
    return c.isLetterOrNumber() || c == QLatin1Char('_') || c == QLatin1Char('$');
}

qint64 pow10(int n) {
    qint64 r = 1;
    while (n-- > 0)
        r *= 10;
    return r;
}

QString scaledToText(qint64 value, int scale) {
    if (scale >= 0) return QString::number(value * pow10(scale));
    const bool negative = value < 0;
    // Work on the magnitude as unsigned, so the smallest value does not overflow.
    quint64 magnitude = negative ? quint64(0) - static_cast<quint64>(value) : static_cast<quint64>(value);
    QString digits = QString::number(magnitude);
    const int places = -scale;
    if (digits.size() <= places) digits.prepend(QString(places - digits.size() + 1, QLatin1Char('0')));
    digits.insert(digits.size() - places, QLatin1Char('.'));
    if (negative) digits.prepend(QLatin1Char('-'));
    return digits;
}

// Exact decimal text to a scaled integer; throws on anything else.
qint64 textToScaled(const QString& text, int scale) {
    QString t = text.trimmed();
    t.replace(QLatin1Char(','), QLatin1Char('.'));
    bool negative = false;
    if (t.startsWith(QLatin1Char('-')) || t.startsWith(QLatin1Char('+'))) {
        negative = t.front() == QLatin1Char('-');
        t.remove(0, 1);
    }
    const qsizetype dot = t.indexOf(QLatin1Char('.'));
    QString whole = dot < 0 ? t : t.left(dot);
    QString frac = dot < 0 ? QString() : t.mid(dot + 1);
    const int places = -scale;
    if (whole.isEmpty() && frac.isEmpty())
        throw Error(QStringLiteral("'%1' is not a valid number").arg(text));
    for (QChar c : whole + frac)
        if (!c.isDigit()) throw Error(QStringLiteral("'%1' is not a valid number").arg(text));
    if (frac.size() > places) {
        if (QStringView(frac).mid(places).toString().count(QLatin1Char('0')) != frac.size() - places)
            throw Error(QStringLiteral("'%1' has more decimals than the field allows").arg(text));
        frac.truncate(places);
    }
    frac.append(QString(places - frac.size(), QLatin1Char('0')));
    bool ok = false;
    const qint64 n = (whole + frac).toLongLong(&ok);
    if (!ok) throw Error(QStringLiteral("'%1' is out of range").arg(text));
    return negative ? -n : n;
}

QDate toDate(const QVariant& v) {
    if (v.typeId() == QMetaType::QDate) return v.toDate();
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().date();
    const QDate d = parseDate(v.toString());
    if (!d.isValid()) throw Error(QStringLiteral("'%1' is not a valid date").arg(v.toString()));
    return d;
}

QTime toTime(const QVariant& v) {
    if (v.typeId() == QMetaType::QTime) return v.toTime();
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime().time();
    QTime t = QTime::fromString(v.toString(), kTimeFormat);
    if (!t.isValid()) t = QTime::fromString(v.toString(), Qt::ISODateWithMs);
    if (!t.isValid()) throw Error(QStringLiteral("'%1' is not a valid time").arg(v.toString()));
    return t;
}

QDateTime toDateTime(const QVariant& v) {
    if (v.typeId() == QMetaType::QDateTime) return v.toDateTime();
    if (v.typeId() == QMetaType::QDate) return QDateTime(v.toDate(), QTime(0, 0));
    const QString s = v.toString();
    QDateTime dt = QDateTime::fromString(s, kDateFormat + QLatin1Char(' ') + kTimeFormat);
    if (!dt.isValid()) dt = QDateTime::fromString(s, Qt::ISODateWithMs);
    if (!dt.isValid()) {
        const QDate d = parseDate(s);
        if (d.isValid()) dt = QDateTime(d, QTime(0, 0));
    }
    if (!dt.isValid()) throw Error(QStringLiteral("'%1' is not a valid date and time").arg(s));
    return dt;
}

ISC_TIME encodeTime(const QTime& t) {
    return static_cast<ISC_TIME>(t.msecsSinceStartOfDay()) * (kTimeUnits / 1000);
}
QTime decodeTime(ISC_TIME t) {
    return QTime::fromMSecsSinceStartOfDay(static_cast<int>(t / (kTimeUnits / 1000)));
}

} // namespace

ParsedSql parseParameters(const QString& sql) {
    ParsedSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    for (qsizetype i = 0; i < n;) {
        const QChar c = sql.at(i);
        if (c == QLatin1Char('\'') ||
            c == QLatin1Char('"')) { // literal or quoted identifier, doubled quote inside
            qsizetype j = i + 1;
            while (j < n) {
                if (sql.at(j) == c) {
                    if (j + 1 < n && sql.at(j + 1) == c) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            j = qMin(j + 1, n);
            out.sql += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < n && sql.at(i + 1) == QLatin1Char('-')) {
            qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
            if (j < 0) j = n;
            out.sql += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char('/') && i + 1 < n && sql.at(i + 1) == QLatin1Char('*')) {
            qsizetype j = sql.indexOf(QStringLiteral("*/"), i + 2);
            j = j < 0 ? n : j + 2;
            out.sql += QStringView(sql).mid(i, j - i);
            i = j;
        } else if (c == QLatin1Char(':') && i + 1 < n && isIdentStart(sql.at(i + 1))) {
            qsizetype j = i + 1;
            while (j < n && isIdentPart(sql.at(j)))
                ++j;
            out.names << sql.mid(i + 1, j - i - 1);
            out.sql += QLatin1Char('?');
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}

Sqlda::~Sqlda() {
    reset();
}

void Sqlda::reset() {
    std::free(da_);
    da_ = nullptr;
    buffers_.clear();
    indicators_.clear();
}

void Sqlda::resize(int count) {
    reset();
    const int n = qMax(count, 1);
    da_ = static_cast<XSQLDA*>(std::calloc(1, XSQLDA_LENGTH(n)));
    if (!da_) throw std::bad_alloc();
    da_->version = SQLDA_VERSION1;
    da_->sqln = static_cast<ISC_SHORT>(n);
}

void Sqlda::allocateBuffers() {
    buffers_.clear();
    indicators_.assign(static_cast<size_t>(count()), 0);
    for (int i = 0; i < count(); ++i) {
        XSQLVAR& v = var(i);
        size_t size = static_cast<size_t>(v.sqllen);
        if ((v.sqltype & ~1) == SQL_VARYING) size += sizeof(short);
        buffers_.emplace_back(new char[qMax<size_t>(size, 8)]());
        v.sqldata = buffers_.back().get();
        v.sqlind = &indicators_[static_cast<size_t>(i)];
    }
}

Statement::Statement(Connection& connection, Transaction& transaction)
    : connection_(connection), transaction_(transaction) {
    // Handles die with the attachment: let go of them first.
    closing_ = QObject::connect(&connection_, &Connection::aboutToClose, [this] { free(); });
}

Statement::~Statement() {
    QObject::disconnect(closing_);
    try {
        free();
    } catch (...) {
        // a lost connection has already taken the handle with it
    }
}

void Statement::free() {
    cursorOpen_ = false;
    if (handle_ && connection_.isConnected() && !connection_.isLost()) {
        ISC_STATUS_ARRAY status;
        isc_dsql_free_statement(status, &handle_, DSQL_drop);
    }
    handle_ = 0;
    in_.reset();
    out_.reset();
    paramNames_.clear();
}

void Statement::prepare(const QString& sql, Markers markers) {
    free();
    transaction_.ensureActive(); // attaches anew after a lost connection
    if (!connection_.isConnected()) throw Error(QStringLiteral("Nincs kapcsolat az adatbázissal."));
    const ParsedSql parsed = markers == Markers::Named ? parseParameters(sql) : ParsedSql{sql, {}};
    const QByteArray wire = toWire(parsed.sql);
    ISC_STATUS_ARRAY status;
    if (isc_dsql_allocate_statement(status, connection_.handle(), &handle_)) connection_.fail(status);
    out_.resize(8);
    if (isc_dsql_prepare(status, transaction_.handle(), &handle_, 0, wire.constData(),
                         static_cast<unsigned short>(connection_.dialect()), out_.get())) {
        ISC_STATUS_ARRAY ignored;
        isc_dsql_free_statement(ignored, &handle_, DSQL_drop);
        handle_ = 0;
        connection_.fail(status);
    }
    paramNames_ = parsed.names;
    static const char typeItem[] = {isc_info_sql_stmt_type};
    char info[16] = {};
    if (isc_dsql_sql_info(status, &handle_, sizeof typeItem, typeItem, sizeof info, info))
        connection_.fail(status);
    type_ =
        info[0] == isc_info_sql_stmt_type
            ? static_cast<int>(isc_vax_integer(info + 3, static_cast<short>(isc_vax_integer(info + 1, 2))))
            : 0;
    describeOutput();
    describeInput();
}

void Statement::describeOutput() {
    ISC_STATUS_ARRAY status;
    if (out_.get()->sqld > out_.get()->sqln) {
        const int n = out_.get()->sqld;
        out_.resize(n);
        if (isc_dsql_describe(status, &handle_, 1, out_.get())) connection_.fail(status);
    }
    out_.allocateBuffers();
}

void Statement::describeInput() {
    ISC_STATUS_ARRAY status;
    in_.resize(8);
    if (isc_dsql_describe_bind(status, &handle_, 1, in_.get())) connection_.fail(status);
    if (in_.get()->sqld > in_.get()->sqln) {
        const int n = in_.get()->sqld;
        in_.resize(n);
        if (isc_dsql_describe_bind(status, &handle_, 1, in_.get())) connection_.fail(status);
    }
    in_.allocateBuffers();
    inData_.assign(static_cast<size_t>(in_.count()), QByteArray());
    blobIds_.assign(static_cast<size_t>(in_.count()), ISC_QUAD{});
    // Unbound parameters are null until set.
    for (int i = 0; i < in_.count(); ++i) {
        in_.var(i).sqltype |= 1;
        *in_.var(i).sqlind = -1;
    }
    while (paramNames_.size() < in_.count())
        paramNames_ << QString();
}

bool Statement::isSelect() const {
    return type_ == isc_info_sql_stmt_select || type_ == isc_info_sql_stmt_select_for_upd;
}

void Statement::setParam(int index, const QVariant& value) {
    if (index < 0 || index >= in_.count())
        throw Error(QStringLiteral("A lekérdezésnek nincs %1. paramétere.").arg(index + 1));
    bindValue(in_.var(index), value);
}

void Statement::setParamByName(const QString& name, const QVariant& value) {
    bool found = false;
    for (int i = 0; i < paramNames_.size() && i < in_.count(); ++i) {
        if (paramNames_.at(i).compare(name, Qt::CaseInsensitive) == 0) {
            setParam(i, value);
            found = true;
        }
    }
    if (!found) throw Error(QStringLiteral("Ismeretlen paraméter: %1").arg(name));
}

void Statement::bind(const QVariantList& values) {
    if (values.size() > in_.count())
        throw Error(QStringLiteral("Túl sok paraméter: az utasításnak %1 paramétere van, %2 érték érkezett.")
                        .arg(in_.count())
                        .arg(values.size()));
    for (int i = 0; i < values.size(); ++i)
        setParam(i, values.at(i));
}

void Statement::bindValue(XSQLVAR& var, const QVariant& value) {
    const int index = static_cast<int>(&var - in_.get()->sqlvar);
    QByteArray& data = inData_[static_cast<size_t>(index)];
    if (value.isNull() || !value.isValid()) {
        *var.sqlind = -1;
        return;
    }
    *var.sqlind = 0;
    const int base = var.sqltype & ~1;
    auto setRaw = [&](int type, const void* bytes, int size, short scale) {
        data = QByteArray(static_cast<const char*>(bytes), size);
        var.sqltype = static_cast<short>(type | 1);
        var.sqllen = static_cast<short>(size);
        var.sqlscale = scale;
        var.sqldata = data.data();
    };
    switch (base) {
    case SQL_SHORT:
    case SQL_LONG:
    case SQL_INT64: {
        qint64 n;
        if (var.sqlscale == 0) {
            n = toInteger(value);
        } else if (value.typeId() == QMetaType::Double || value.typeId() == QMetaType::Float) {
            n = static_cast<qint64>(
                std::llround(value.toDouble() * static_cast<double>(pow10(-var.sqlscale))));
        } else if (value.typeId() == QMetaType::QString) {
            n = textToScaled(value.toString(), var.sqlscale);
        } else {
            n = toInteger(value) * pow10(-var.sqlscale);
        }
        setRaw(SQL_INT64, &n, sizeof n, var.sqlscale);
        break;
    }
    case SQL_FLOAT:
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        bool ok = false;
        double d = value.toDouble(&ok);
        if (!ok) {
            QString t = value.toString().trimmed();
            d = t.replace(QLatin1Char(','), QLatin1Char('.')).toDouble(&ok);
        }
        if (!ok)
            throw Error(QStringLiteral("'%1' is not a valid floating point value").arg(value.toString()));
        setRaw(SQL_DOUBLE, &d, sizeof d, 0);
        break;
    }
    case SQL_TYPE_DATE: {
        const ISC_DATE d = static_cast<ISC_DATE>(kEpoch.daysTo(toDate(value)));
        setRaw(SQL_TYPE_DATE, &d, sizeof d, 0);
        break;
    }
    case SQL_TYPE_TIME: {
        const ISC_TIME t = encodeTime(toTime(value));
        setRaw(SQL_TYPE_TIME, &t, sizeof t, 0);
        break;
    }
    case SQL_TIMESTAMP: {
        const QDateTime dt = toDateTime(value);
        ISC_TIMESTAMP ts;
        ts.timestamp_date = static_cast<ISC_DATE>(kEpoch.daysTo(dt.date()));
        ts.timestamp_time = encodeTime(dt.time());
        setRaw(SQL_TIMESTAMP, &ts, sizeof ts, 0);
        break;
    }
    case SQL_BLOB: {
        const QByteArray bytes = value.typeId() == QMetaType::QByteArray && var.sqlsubtype != 1
                                     ? value.toByteArray()
                                     : valueToWire(displayText(value));
        ISC_QUAD id = writeBlob(bytes);
        setRaw(SQL_BLOB, &id, sizeof id, 0);
        break;
    }
    case SQL_BOOLEAN: {
        const char b = value.toBool() ? 1 : 0;
        setRaw(SQL_BOOLEAN, &b, 1, 0);
        break;
    }
    default: { // text, and anything the server converts from text itself
        const QByteArray wire = valueToWire(displayText(value));
        if (wire.size() > std::numeric_limits<short>::max())
            throw Error(QStringLiteral("A szöveg túl hosszú (%1 karakter).").arg(wire.size()));
        const short subtype = var.sqlsubtype;
        setRaw(SQL_TEXT, wire.constData(), static_cast<int>(wire.size()), 0);
        var.sqlsubtype = subtype;
        break;
    }
    }
}

ISC_QUAD Statement::writeBlob(const QByteArray& bytes) {
    ISC_STATUS_ARRAY status;
    isc_blob_handle blob = 0;
    ISC_QUAD id{};
    if (isc_create_blob2(status, connection_.handle(), transaction_.handle(), &blob, &id, 0, nullptr))
        connection_.fail(status);
    for (qsizetype pos = 0; pos < bytes.size();) {
        const unsigned short chunk = static_cast<unsigned short>(qMin<qsizetype>(bytes.size() - pos, 32000));
        if (isc_put_segment(status, &blob, chunk, bytes.constData() + pos)) {
            ISC_STATUS_ARRAY ignored;
            isc_cancel_blob(ignored, &blob);
            connection_.fail(status);
        }
        pos += chunk;
    }
    if (isc_close_blob(status, &blob)) connection_.fail(status);
    return id;
}

QString Statement::readBlob(const ISC_QUAD& id, short subType) const {
    ISC_STATUS_ARRAY status;
    isc_blob_handle blob = 0;
    ISC_QUAD blobId = id;
    if (isc_open_blob2(status, const_cast<Connection&>(connection_).handle(), transaction_.handle(), &blob,
                       &blobId, 0, nullptr))
        connection_.fail(status);
    QByteArray bytes;
    char buffer[16384];
    for (;;) {
        unsigned short got = 0;
        const ISC_STATUS rc = isc_get_segment(status, &blob, &got, sizeof buffer, buffer);
        if (rc == 0 || status[1] == isc_segment) {
            bytes.append(buffer, got);
            continue;
        }
        if (status[1] == isc_segstr_eof) break;
        ISC_STATUS_ARRAY ignored;
        isc_close_blob(ignored, &blob);
        connection_.fail(status);
    }
    isc_close_blob(status, &blob);
    return subType == 1 ? fromWire(bytes) : QString::fromLatin1(bytes.toHex());
}

void Statement::execute() {
    closeCursor();
    transaction_.ensureActive();
    // A reconnection above has let go of the statement prepared on the dead attachment.
    if (!handle_) throw Error(QStringLiteral("Az utasítás nincs előkészítve."));
    ISC_STATUS_ARRAY status;
    const unsigned short dialect = static_cast<unsigned short>(connection_.dialect());
    if (isSelect()) {
        if (isc_dsql_execute(status, transaction_.handle(), &handle_, dialect, in_.get()))
            connection_.fail(status);
        cursorOpen_ = true;
    } else if (type_ == isc_info_sql_stmt_exec_procedure && out_.count() > 0) {
        if (isc_dsql_execute2(status, transaction_.handle(), &handle_, dialect, in_.get(), out_.get()))
            connection_.fail(status);
    } else {
        if (isc_dsql_execute(status, transaction_.handle(), &handle_, dialect, in_.get()))
            connection_.fail(status);
    }
}

bool Statement::fetch() {
    if (!cursorOpen_) return false;
    ISC_STATUS_ARRAY status;
    const ISC_STATUS rc =
        isc_dsql_fetch(status, &handle_, static_cast<unsigned short>(connection_.dialect()), out_.get());
    if (rc == 100) {
        closeCursor();
        return false;
    }
    if (rc) {
        // A failed fetch leaves the cursor open on the server and the next run would be
        // refused: drop the handle; whoever runs it again prepares it anew.
        ISC_STATUS_ARRAY copy;
        std::copy(std::begin(status), std::end(status), std::begin(copy));
        free();
        connection_.fail(copy);
    }
    return true;
}

void Statement::closeCursor() {
    if (!cursorOpen_) return;
    cursorOpen_ = false;
    if (!handle_ || !connection_.isConnected() || connection_.isLost()) return;
    ISC_STATUS_ARRAY status;
    // After commit or rollback the server has closed it already; that is fine.
    if (isc_dsql_free_statement(status, &handle_, DSQL_close) && status[1] != isc_dsql_cursor_close_err &&
        status[1] != isc_dsql_cursor_not_open) {
        // A cursor that went with the connection is closed: the loss is noted, not thrown,
        // so that the list closing it is left in order.
        try {
            connection_.fail(status);
        } catch (const DbError& e) {
            if (!e.isConnectionLost()) throw;
        }
    }
}

QString Statement::plan() {
    static const char item[] = {isc_info_sql_get_plan};
    std::vector<char> info(16384);
    ISC_STATUS_ARRAY status;
    if (isc_dsql_sql_info(status, &handle_, sizeof item, item, static_cast<short>(info.size()), info.data()))
        connection_.fail(status);
    if (info[0] != isc_info_sql_get_plan) return QString();
    const auto len = static_cast<qsizetype>(isc_vax_integer(info.data() + 1, 2));
    return fromWire(info.data() + 3, len).trimmed();
}

qint64 Statement::rowsAffected() {
    static const char item[] = {isc_info_sql_records};
    char info[64] = {};
    ISC_STATUS_ARRAY status;
    if (isc_dsql_sql_info(status, &handle_, sizeof item, item, sizeof info, info)) connection_.fail(status);
    if (info[0] != isc_info_sql_records) return 0;
    qint64 total = 0;
    const char* p = info + 3;
    const char* end = info + sizeof info;
    while (p < end && *p != isc_info_end) {
        const char code = *p++;
        const short len = static_cast<short>(isc_vax_integer(p, 2));
        p += 2;
        const qint64 count = isc_vax_integer(p, len);
        p += len;
        if (code == isc_info_req_insert_count || code == isc_info_req_update_count ||
            code == isc_info_req_delete_count)
            total += count;
    }
    return total;
}

QString Statement::columnName(int column) const {
    const XSQLVAR& v = out_.var(column);
    return fromWire(v.aliasname, v.aliasname_length);
}

QVariant Statement::value(int column) const {
    return readValue(out_.var(column));
}

Statement::Kind Statement::kind(int column) const {
    const XSQLVAR& var = out_.var(column);
    switch (var.sqltype & ~1) {
    case SQL_SHORT:
    case SQL_LONG:
        return var.sqlscale ? Kind::Other : Kind::Integer;
    case SQL_INT64:
        return var.sqlscale ? Kind::Other : Kind::WideInteger;
    case SQL_TEXT:
    case SQL_VARYING:
        return Kind::Text;
    default:
        return Kind::Other;
    }
}

bool Statement::isNull(int column) const {
    const XSQLVAR& var = out_.var(column);
    return (var.sqltype & 1) && *var.sqlind < 0;
}

qint64 Statement::integer(int column) const {
    const XSQLVAR& var = out_.var(column);
    switch (var.sqltype & ~1) {
    case SQL_SHORT: {
        short n;
        std::memcpy(&n, var.sqldata, sizeof n);
        return n;
    }
    case SQL_LONG: {
        ISC_LONG n;
        std::memcpy(&n, var.sqldata, sizeof n);
        return n;
    }
    default: {
        ISC_INT64 n;
        std::memcpy(&n, var.sqldata, sizeof n);
        return n;
    }
    }
}

QByteArrayView Statement::wireText(int column) const {
    const XSQLVAR& var = out_.var(column);
    if ((var.sqltype & ~1) == SQL_TEXT) return QByteArrayView(var.sqldata, var.sqllen);
    short len;
    std::memcpy(&len, var.sqldata, sizeof len);
    return QByteArrayView(var.sqldata + sizeof(short), len);
}

QVariant Statement::readValue(const XSQLVAR& var) const {
    if ((var.sqltype & 1) && *var.sqlind < 0) return QVariant();
    const char* d = var.sqldata;
    switch (var.sqltype & ~1) {
    case SQL_TEXT:
        return fromWire(d, var.sqllen);
    case SQL_VARYING: {
        short len;
        std::memcpy(&len, d, sizeof len);
        return fromWire(d + sizeof(short), len);
    }
    case SQL_SHORT: {
        short n;
        std::memcpy(&n, d, sizeof n);
        return var.sqlscale ? QVariant(scaledToText(n, var.sqlscale)) : QVariant(static_cast<int>(n));
    }
    case SQL_LONG: {
        ISC_LONG n;
        std::memcpy(&n, d, sizeof n);
        return var.sqlscale ? QVariant(scaledToText(n, var.sqlscale)) : QVariant(static_cast<int>(n));
    }
    case SQL_INT64: {
        ISC_INT64 n;
        std::memcpy(&n, d, sizeof n);
        return var.sqlscale ? QVariant(scaledToText(n, var.sqlscale)) : QVariant(static_cast<qlonglong>(n));
    }
    case SQL_FLOAT: {
        float f;
        std::memcpy(&f, d, sizeof f);
        return QVariant(static_cast<double>(f));
    }
    case SQL_DOUBLE:
    case SQL_D_FLOAT: {
        double f;
        std::memcpy(&f, d, sizeof f);
        return QVariant(f);
    }
    case SQL_TYPE_DATE: {
        ISC_DATE n;
        std::memcpy(&n, d, sizeof n);
        return QVariant(kEpoch.addDays(n));
    }
    case SQL_TYPE_TIME: {
        ISC_TIME t;
        std::memcpy(&t, d, sizeof t);
        return QVariant(decodeTime(t));
    }
    case SQL_TIMESTAMP: {
        ISC_TIMESTAMP ts;
        std::memcpy(&ts, d, sizeof ts);
        return QVariant(QDateTime(kEpoch.addDays(ts.timestamp_date), decodeTime(ts.timestamp_time)));
    }
    case SQL_BLOB: {
        ISC_QUAD id;
        std::memcpy(&id, d, sizeof id);
        return QVariant(readBlob(id, var.sqlsubtype));
    }
    case SQL_BOOLEAN:
        return QVariant(*d != 0);
    case SQL_NULL:
        return QVariant();
    default:
        throw Error(QStringLiteral("Nem támogatott adattípus (%1).").arg(var.sqltype & ~1));
    }
}

} // namespace db
