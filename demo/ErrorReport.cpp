#include "ErrorReport.h"

#include "Money.h"
#include "Utf8Escape.h"

#include <sqlite3.h>

#include <limits>

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

std::unique_ptr<ErrorReport> ErrorReport::on(sqlite3* connection, const QString& where,
                                             const QVariantList& values, QString* error)
{
    std::unique_ptr<ErrorReport> report(new ErrorReport);
    report->m_db = connection;
    if (!report->start(where, values, error))
        return nullptr;
    return report;
}

bool ErrorReport::fail()
{
    m_error = QString::fromUtf8(sqlite3_errmsg(m_db));
    sqlite3_reset(m_statement);
    return false;
}

bool ErrorReport::start(const QString& where, const QVariantList& values, QString* error)
{
    const QByteArray sql =
        QByteArray(kRows) + where.toUtf8() + " AND e.id > ? ORDER BY e.id LIMIT ?";
    const bool ready =
        loadLookups() &&
        sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_statement, nullptr) ==
            SQLITE_OK;
    for (int i = 0; ready && i < values.size(); ++i) {
        const QVariant& value = values[i];
        const int rc =
            value.typeId() == QMetaType::QString
                ? sqlite3_bind_text(m_statement, i + 1, value.toString().toUtf8().constData(), -1,
                                    SQLITE_TRANSIENT)
                : sqlite3_bind_int64(m_statement, i + 1, value.toLongLong());
        if (rc != SQLITE_OK) {
            fail();
            break;
        }
    }
    m_pageParameter = int(values.size()) + 1;
    // The first ID, so that the first page starts there rather than scanning
    // up to it again.
    m_lastId = std::numeric_limits<qint64>::min();
    int rc = SQLITE_ERROR;
    if (ready && m_error.isEmpty() && bindPage(1))
        rc = sqlite3_step(m_statement);
    if (rc == SQLITE_ROW) {
        m_lastId = sqlite3_column_int64(m_statement, Id) - 1;
    } else if (rc == SQLITE_DONE) {
        m_done = true;
    } else {
        if (m_error.isEmpty())
            fail();
        if (error)
            *error = m_error.isEmpty() ? QString::fromUtf8(sqlite3_errmsg(m_db)) : m_error;
        return false;
    }
    sqlite3_reset(m_statement); // ends the read transaction
    return true;
}

ErrorReport::~ErrorReport()
{
    sqlite3_finalize(m_statement);
}

bool ErrorReport::bindPage(int records)
{
    if (sqlite3_bind_int64(m_statement, m_pageParameter, m_lastId) != SQLITE_OK ||
        sqlite3_bind_int(m_statement, m_pageParameter + 1, records) != SQLITE_OK)
        return fail();
    return true;
}

bool ErrorReport::write(QByteArray& out, qsizetype bytes)
{
    const qsizetype target = out.size() + bytes;
    while (!m_done && out.size() < target) {
        // One page, in one read transaction that ends with the reset below.
        if (!bindPage(kPageRecords))
            return false;
        int records = 0;
        int rc = SQLITE_ROW;
        while (out.size() < target && (rc = sqlite3_step(m_statement)) == SQLITE_ROW) {
            writeRecord(out);
            m_lastId = sqlite3_column_int64(m_statement, Id);
            ++records;
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            return fail();
        // Fewer records than the page could hold: none are left.
        m_done = rc == SQLITE_DONE && records < kPageRecords;
        sqlite3_reset(m_statement);
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
