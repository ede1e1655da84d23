#include "ErrorReport.h"

#include "Money.h"
#include "Utf8Escape.h"

#include <sqlite3.h>

#include <limits>

namespace Demo {

namespace {

// The registered error and its patient. The small tables (pharmacies, drugs,
// error codes) are looked up apart and kept for the report, which spares most
// of the work per record.
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
const char kPharmacy[] = "SELECT ragsoc FROM pharmacies WHERE prov = ? AND code = ?";
const char kDrug[] = "SELECT farmaco, molecola FROM drugs WHERE aic = ?";
const char kErrorCode[] =
    "SELECT descrizione, tipo_addebito, soggetto FROM error_codes WHERE code = ?";

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

// A key that no longer points into a statement's row.
QByteArray owned(const QByteArray& key)
{
    return QByteArray(key.constData(), key.size());
}
QPair<QByteArray, qint64> owned(const QPair<QByteArray, qint64>& key)
{
    return {owned(key.first), key.second};
}
qint64 owned(qint64 key)
{
    return key;
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
    const bool ready = sqlite3_prepare_v2(m_db, sql.constData(), int(sql.size()), &m_statement,
                                          nullptr) == SQLITE_OK;
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
    for (sqlite3_stmt* statement : {m_statement, m_pharmacyQuery, m_drugQuery, m_errorCodeQuery})
        sqlite3_finalize(statement);
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
            if (!writeRecord(out))
                return fail();
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

template <typename Key, typename Bind>
const ErrorReport::Texts* ErrorReport::lookUp(QHash<Key, Texts>& found, const Key& key,
                                              sqlite3_stmt*& statement, const char* sql, Bind bind)
{
    if (const auto known = found.constFind(key); known != found.cend())
        return &*known;
    if (!statement && sqlite3_prepare_v2(m_db, sql, -1, &statement, nullptr) != SQLITE_OK)
        return nullptr;
    Texts texts;
    int rc = bind(statement);
    if (rc == SQLITE_OK)
        rc = sqlite3_step(statement);
    for (int i = 0; rc == SQLITE_ROW && i < sqlite3_column_count(statement); ++i)
        texts[i] = escaped(statement, i);
    sqlite3_reset(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return nullptr;
    return &*found.insert(owned(key), texts);
}

bool ErrorReport::writeRecord(QByteArray& out)
{
    sqlite3_stmt* q = m_statement;
    const QByteArray prov = text(q, Prov);
    const qint64 codfarma = sqlite3_column_int64(q, Codfarma);
    const Texts* pharmacy =
        lookUp(m_pharmacies, {prov, codfarma}, m_pharmacyQuery, kPharmacy, [&](sqlite3_stmt* s) {
            const int rc =
                sqlite3_bind_text(s, 1, prov.constData(), int(prov.size()), SQLITE_STATIC);
            return rc == SQLITE_OK ? sqlite3_bind_int64(s, 2, codfarma) : rc;
        });
    const QByteArray aic = text(q, Aic);
    const Texts* drug = lookUp(m_drugs, aic, m_drugQuery, kDrug, [&](sqlite3_stmt* s) {
        return sqlite3_bind_text(s, 1, aic.constData(), int(aic.size()), SQLITE_STATIC);
    });
    const qint64 cod = sqlite3_column_int64(q, CodErrore);
    const Texts* code = lookUp(m_errorCodes, cod, m_errorCodeQuery, kErrorCode,
                               [&](sqlite3_stmt* s) { return sqlite3_bind_int64(s, 1, cod); });
    if (!pharmacy || !drug || !code)
        return false;

    openTag(out, "Errore");
    numberLeaf(out, "ID", q, Id);
    textLeaf(out, "Flusso", q, Flusso);
    numberLeaf(out, "Anno", q, Anno);
    numberLeaf(out, "Mese", q, Mese);
    numberLeaf(out, "Codfarma", q, Codfarma);
    leaf(out, "Farmacia", (*pharmacy)[0]);
    textLeaf(out, "NumricKey", q, NumricKey);
    textLeaf(out, "Assistito", q, Assistito);
    textLeaf(out, "CodAssistito", q, CodAssistito);
    textLeaf(out, "AIC", q, Aic);
    leaf(out, "Farmaco", (*drug)[0]);
    leaf(out, "Molecola", (*drug)[1]);
    numberLeaf(out, "Pezzi", q, Pezzi);
    leaf(out, "Lordo", Money::format(sqlite3_column_int64(q, Lordo)).toLatin1());
    numberLeaf(out, "CodErrore", q, CodErrore);
    leaf(out, "DescrizioneErrore", (*code)[0]);
    leaf(out, "TipoAddebito", (*code)[1]);
    leaf(out, "Soggetto", (*code)[2]);
    closeTag(out, "Errore");
    return true;
}

} // namespace Demo
