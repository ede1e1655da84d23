#include "ErrorReport.h"

#include "Money.h"
#include "Utf8Escape.h"

#include <sqlite3.h>

namespace {

// The report's own query: the registered error and its patient. The small
// tables (pharmacies, drugs, error codes) are looked up in memory instead,
// which spares most of the work per record.
const char kRows[] =
    "SELECT e.id, e.flusso, e.anno, e.mese, e.codfarma, e.prov, e.numrickey,"
    " COALESCE(pt.cognome || ' ' || pt.nome, ''), COALESCE(pt.codice_fiscale, ''), e.aic,"
    " e.pezzi, e.lordo_cents, e.cod_errore"
    " FROM registered_errors e"
    " LEFT JOIN prescriptions p ON p.numrickey = e.numrickey"
    " LEFT JOIN patients pt ON pt.id = p.patient_id ";
enum Column
{
    Id,
    Flusso,
    Anno,
    Mese,
    Codfarma,
    Prov,
    NumricKey,
    Assistito,
    CodAssistito,
    Aic,
    Pezzi,
    Lordo,
    CodErrore
};

QByteArray text(sqlite3_stmt* statement, int column)
{
    const auto* value = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    return QByteArray::fromRawData(value ? value : "", sqlite3_column_bytes(statement, column));
}

QByteArray escaped(sqlite3_stmt* statement, int column)
{
    QByteArray out;
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    Utf8Escape::append(out, text ? text : "", sqlite3_column_bytes(statement, column));
    return out;
}

void openTag(QByteArray& out, const char* tag)
{
    out += '<';
    out += tag;
    out += '>';
}

void closeTag(QByteArray& out, const char* tag)
{
    out += "</";
    out += tag;
    out += '>';
}

void leaf(QByteArray& out, const char* tag, const QByteArray& escapedValue)
{
    openTag(out, tag);
    out += escapedValue;
    closeTag(out, tag);
}

void numberLeaf(QByteArray& out, const char* tag, sqlite3_stmt* statement, int column)
{
    leaf(out, tag, QByteArray::number(sqlite3_column_int64(statement, column)));
}

void textLeaf(QByteArray& out, const char* tag, sqlite3_stmt* statement, int column)
{
    openTag(out, tag);
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(statement, column));
    Utf8Escape::append(out, text ? text : "", sqlite3_column_bytes(statement, column));
    closeTag(out, tag);
}

} // namespace

const QString& ErrorReport::selectColumns()
{
    static const QString sql = QStringLiteral(
        "SELECT e.id, e.flusso, e.anno, e.mese, e.codfarma, COALESCE(f.ragsoc, ''), e.numrickey,"
        " COALESCE(pt.cognome || ' ' || pt.nome, ''), COALESCE(pt.codice_fiscale, ''), e.aic,"
        " COALESCE(d.farmaco, ''), COALESCE(d.molecola, ''), e.pezzi, e.lordo_cents, e.cod_errore,"
        " COALESCE(c.descrizione, ''), COALESCE(c.tipo_addebito, ''), COALESCE(c.soggetto, '')"
        " FROM registered_errors e"
        " LEFT JOIN pharmacies f ON f.prov = e.prov AND f.code = e.codfarma"
        " LEFT JOIN prescriptions p ON p.numrickey = e.numrickey"
        " LEFT JOIN patients pt ON pt.id = p.patient_id"
        " LEFT JOIN drugs d ON d.aic = e.aic"
        " LEFT JOIN error_codes c ON c.code = e.cod_errore ");
    return sql;
}

std::unique_ptr<ErrorReport> ErrorReport::open(const QString& databaseFile, const QString& where,
                                               const QVariantList& values, QString* error)
{
    std::unique_ptr<ErrorReport> report(new ErrorReport);
    // Read-write so that the WAL index can be shared; nothing is written.
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &report->m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK) {
        if (error)
            *error = QString::fromUtf8(report->m_db ? sqlite3_errmsg(report->m_db)
                                                    : "cannot open the database");
        return nullptr;
    }
    sqlite3_busy_timeout(report->m_db, 5000);
    // The rows are looked up all over a large file: reading its pages through
    // a mapping rather than one call each makes the report several times faster.
    sqlite3_exec(report->m_db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    if (!report->start(where, values, error))
        return nullptr;
    return report;
}

std::unique_ptr<ErrorReport> ErrorReport::on(sqlite3* connection, const QString& where,
                                             const QVariantList& values, QString* error)
{
    std::unique_ptr<ErrorReport> report(new ErrorReport);
    report->m_db = connection;
    report->m_ownsDb = false;
    if (!report->start(where, values, error))
        return nullptr;
    return report;
}

bool ErrorReport::start(const QString& where, const QVariantList& values, QString* error)
{
    const auto fail = [&] {
        if (error)
            *error = QString::fromUtf8(sqlite3_errmsg(m_db));
        return false;
    };
    if (!loadLookups())
        return fail();
    const QByteArray sql = QByteArray(kRows) + where.toUtf8();
    if (sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_statement, nullptr) !=
        SQLITE_OK)
        return fail();
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        const int rc =
            value.typeId() == QMetaType::QString
                ? sqlite3_bind_text(m_statement, i + 1, value.toString().toUtf8().constData(), -1,
                                    SQLITE_TRANSIENT)
                : sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
        if (rc != SQLITE_OK)
            return fail();
    }
    if (!step()) {
        if (error)
            *error = m_error;
        return false;
    }
    return true;
}

ErrorReport::~ErrorReport()
{
    sqlite3_finalize(m_statement);
    if (m_ownsDb)
        sqlite3_close_v2(m_db);
}

bool ErrorReport::step()
{
    const int rc = sqlite3_step(m_statement);
    m_row = rc == SQLITE_ROW;
    if (rc == SQLITE_ROW || rc == SQLITE_DONE)
        return true;
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    return false;
}

bool ErrorReport::write(QByteArray& out, qsizetype bytes)
{
    const qsizetype target = out.size() + bytes;
    while (m_row && out.size() < target) {
        writeRecord(out);
        if (!step())
            return false;
    }
    return true;
}

bool ErrorReport::loadLookups()
{
    const auto each = [this](const char* sql, const auto& row) {
        sqlite3_stmt* statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
            return false;
        int rc = SQLITE_ROW;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW)
            row(statement);
        sqlite3_finalize(statement);
        return rc == SQLITE_DONE;
    };
    return each("SELECT prov, code, ragsoc FROM pharmacies",
                [this](sqlite3_stmt* q) {
                    m_pharmacies.insert({QByteArray(text(q, 0).constData(), text(q, 0).size()),
                                         sqlite3_column_int64(q, 1)},
                                        escaped(q, 2));
                }) &&
           each("SELECT aic, farmaco, molecola FROM drugs",
                [this](sqlite3_stmt* q) {
                    const QByteArray aic = text(q, 0);
                    m_drugs.insert(QByteArray(aic.constData(), aic.size()),
                                   {escaped(q, 1), escaped(q, 2)});
                }) &&
           each("SELECT code, descrizione, tipo_addebito, soggetto FROM error_codes",
                [this](sqlite3_stmt* q) {
                    m_errorCodes.insert(sqlite3_column_int64(q, 0),
                                        {escaped(q, 1), escaped(q, 2), escaped(q, 3)});
                });
}

void ErrorReport::writeRecord(QByteArray& out) const
{
    sqlite3_stmt* q = m_statement;
    const Drug drug = m_drugs.value(text(q, Aic));
    const ErrorCode code = m_errorCodes.value(sqlite3_column_int64(q, CodErrore));

    openTag(out, "Errore");
    numberLeaf(out, "ID", q, Id);
    textLeaf(out, "Flusso", q, Flusso);
    numberLeaf(out, "Anno", q, Anno);
    numberLeaf(out, "Mese", q, Mese);
    numberLeaf(out, "Codfarma", q, Codfarma);
    leaf(out, "Farmacia", m_pharmacies.value({text(q, Prov), sqlite3_column_int64(q, Codfarma)}));
    textLeaf(out, "NumricKey", q, NumricKey);
    textLeaf(out, "Assistito", q, Assistito);
    textLeaf(out, "CodAssistito", q, CodAssistito);
    textLeaf(out, "AIC", q, Aic);
    leaf(out, "Farmaco", drug.farmaco);
    leaf(out, "Molecola", drug.molecola);
    numberLeaf(out, "Pezzi", q, Pezzi);
    leaf(out, "Lordo", Money::format(sqlite3_column_int64(q, Lordo)).toLatin1());
    numberLeaf(out, "CodErrore", q, CodErrore);
    leaf(out, "DescrizioneErrore", code.descrizione);
    leaf(out, "TipoAddebito", code.tipoAddebito);
    leaf(out, "Soggetto", code.soggetto);
    closeTag(out, "Errore");
}
