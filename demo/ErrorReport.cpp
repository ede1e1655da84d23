#include "ErrorReport.h"

#include "Money.h"
#include "Utf8Escape.h"

#include <sqlite3.h>

namespace {

// Columns of selectColumns() that hold whole numbers; the others are text,
// except the gross amount, which is written as money.
constexpr int kLordo = 13;
constexpr bool kNumeric[] = {true,  false, true,  true, true,  false, false, false, false,
                             false, false, false, true, false, true,  false, false, false};
constexpr const char* kTags[] = {"ID",           "Flusso",   "Anno",      "Mese",
                                 "Codfarma",     "Farmacia", "NumricKey", "Assistito",
                                 "CodAssistito", "AIC",      "Farmaco",   "Molecola",
                                 "Pezzi",        "Lordo",    "CodErrore", "DescrizioneErrore",
                                 "TipoAddebito", "Soggetto"};
static_assert(std::size(kNumeric) == std::size(kTags));

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
    const auto fail = [&](const char* what) {
        if (error)
            *error = QString::fromUtf8(what);
        return nullptr;
    };
    // Read-write so that the WAL index can be shared; nothing is written.
    if (sqlite3_open_v2(databaseFile.toUtf8().constData(), &report->m_db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_NOMUTEX, nullptr) != SQLITE_OK)
        return fail(report->m_db ? sqlite3_errmsg(report->m_db) : "cannot open the database");
    sqlite3_busy_timeout(report->m_db, 5000);
    // The rows are looked up all over a large file: reading its pages through
    // a mapping rather than one call each makes the report several times faster.
    sqlite3_exec(report->m_db, "PRAGMA mmap_size=1073741824", nullptr, nullptr, nullptr);
    const QByteArray sql = (selectColumns() + where).toUtf8();
    if (sqlite3_prepare_v2(report->m_db, sql.constData(), int(sql.size()), &report->m_statement,
                           nullptr) != SQLITE_OK)
        return fail(sqlite3_errmsg(report->m_db));
    for (int i = 0; i < values.size(); ++i) {
        const QVariant& value = values[i];
        const int rc =
            value.typeId() == QMetaType::QString
                ? sqlite3_bind_text(report->m_statement, i + 1,
                                    value.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT)
                : sqlite3_bind_int64(report->m_statement, i + 1, value.toLongLong());
        if (rc != SQLITE_OK)
            return fail(sqlite3_errmsg(report->m_db));
    }
    if (!report->step()) {
        if (error)
            *error = report->m_error;
        return nullptr;
    }
    return report;
}

ErrorReport::~ErrorReport()
{
    sqlite3_finalize(m_statement);
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

void ErrorReport::writeRecord(QByteArray& out) const
{
    openTag(out, "Errore");
    for (int column = 0; column < int(std::size(kTags)); ++column) {
        const char* tag = kTags[column];
        openTag(out, tag);
        if (column == kLordo) {
            out += Money::format(sqlite3_column_int64(m_statement, column)).toLatin1();
        } else if (kNumeric[column]) {
            out += QByteArray::number(sqlite3_column_int64(m_statement, column));
        } else {
            const auto* text =
                reinterpret_cast<const char*>(sqlite3_column_text(m_statement, column));
            Utf8Escape::append(out, text ? text : "", sqlite3_column_bytes(m_statement, column));
        }
        closeTag(out, tag);
    }
    closeTag(out, "Errore");
}
