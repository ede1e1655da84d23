#include "DpcService.h"

#include "ErrorReport.h"
#include "Money.h"

#include <QCryptographicHash>
#include <QDate>
#include <QDateTime>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <limits>
#include <mutex>

using SoapMessage::Fault;
using SoapMessage::Fragment;

namespace {

// The flow code of the D.P.C. dispensing; the only one this service holds.
constexpr int kFlowDpc = 2;
constexpr const char* kFlowName = "DPC";

// Runs a query with bound values; a failure is the service's, not the caller's.
QSqlQuery select(const QSqlDatabase& db, const QString& sql, const QVariantList& values)
{
    QSqlQuery query(db);
    query.setForwardOnly(true);
    if (!query.prepare(sql))
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") + query.lastError().text());
    for (int i = 0; i < values.size(); ++i)
        query.bindValue(i, values[i]);
    if (!query.exec())
        throw Fault(Fault::Code::Receiver,
                    QStringLiteral("Database error: ") + query.lastError().text());
    return query;
}

// One transaction per change; rolled back unless committed. It takes the
// write lock at once, so that concurrent changes wait for each other (up to
// the busy timeout) instead of failing when a reader turns writer.
class Transaction
{
public:
    Transaction(QSqlDatabase& db, std::mutex* writeLock) : m_db(db)
    {
        if (writeLock)
            m_lock = std::unique_lock(*writeLock);
        run("BEGIN IMMEDIATE");
    }
    ~Transaction()
    {
        if (!m_done)
            QSqlQuery(m_db).exec(QStringLiteral("ROLLBACK"));
    }
    void commit()
    {
        run("COMMIT");
        m_done = true;
    }

private:
    void run(const char* sql)
    {
        QSqlQuery query(m_db);
        if (!query.exec(QLatin1String(sql)))
            throw Fault(Fault::Code::Receiver,
                        QStringLiteral("Database error: ") + query.lastError().text());
    }

    std::unique_lock<std::mutex> m_lock;
    QSqlDatabase& m_db;
    bool m_done = false;
};

// The whole number at the start of a text, read as the operator's program
// reads it: blanks skipped, an optional sign, digits up to the first other
// character; no digit gives 0.
struct LeadingNumber
{
    qint64 value = 0;
    bool overflow = false; // more than 32 bits
};

LeadingNumber leadingNumber(const QString& text)
{
    const QString t = text.trimmed();
    qsizetype i = 0;
    bool negative = false;
    if (i < t.size() && (t[i] == u'-' || t[i] == u'+'))
        negative = t[i++] == u'-';
    LeadingNumber n;
    for (; i < t.size() && t[i] >= u'0' && t[i] <= u'9'; ++i) {
        n.value = n.value * 10 + (t[i].unicode() - u'0');
        if (n.value > std::numeric_limits<int>::max()) {
            n.overflow = true;
            return n;
        }
    }
    if (negative)
        n.value = -n.value;
    return n;
}

QString dayMonthYear(const QString& isoDate)
{
    return QDate::fromString(isoDate, Qt::ISODate).toString(QStringLiteral("dd/MM/yyyy"));
}

QString normalizedAic(const QString& text)
{
    QString aic = text.trimmed();
    bool digits = !aic.isEmpty() && aic.size() < 9;
    for (QChar c : aic)
        digits = digits && c >= u'0' && c <= u'9';
    return digits ? aic.rightJustified(9, u'0') : aic;
}

void writeErrorRecord(Fragment& out, const QSqlQuery& q)
{
    out.open("Errore")
        .leaf("ID", q.value(0).toLongLong())
        .leaf("Flusso", q.value(1).toString())
        .leaf("Anno", q.value(2).toLongLong())
        .leaf("Mese", q.value(3).toLongLong())
        .leaf("Codfarma", q.value(4).toLongLong())
        .leaf("Farmacia", q.value(5).toString())
        .leaf("NumricKey", q.value(6).toString())
        .leaf("Assistito", q.value(7).toString())
        .leaf("CodAssistito", q.value(8).toString())
        .leaf("AIC", q.value(9).toString())
        .leaf("Farmaco", q.value(10).toString())
        .leaf("Molecola", q.value(11).toString())
        .leaf("Pezzi", q.value(12).toLongLong())
        .leaf("Lordo", Money::format(q.value(13).toLongLong()))
        .leaf("CodErrore", q.value(14).toLongLong())
        .leaf("DescrizioneErrore", q.value(15).toString())
        .leaf("TipoAddebito", q.value(16).toString())
        .leaf("Soggetto", q.value(17).toString())
        .close("Errore");
}

void writeDispensing(Fragment& out, const QSqlQuery& q)
{
    out.open("Farmaci")
        .leaf("Atc", q.value(0).toString())
        .leaf("Gruppo", q.value(1).toString())
        .leaf("Descrizione", q.value(2).toString())
        .leaf("Inizio", dayMonthYear(q.value(3).toString()))
        .leaf("Fine", dayMonthYear(q.value(4).toString()))
        .leaf("Confezioni", q.value(5).toLongLong())
        .leaf("Ddd", Money::formatTenths(q.value(6).toLongLong()))
        .close("Farmaci");
}

} // namespace

DpcService::DpcService(QSqlDatabase db, std::mutex* writeLock)
    : m_db(std::move(db)), m_writeLock(writeLock)
{
}

bool DpcService::load(QString* error)
{
    QSqlQuery query(m_db);
    if (!query.exec(QStringLiteral("SELECT prov FROM provinces"))) {
        if (error)
            *error = query.lastError().text();
        return false;
    }
    while (query.next())
        m_provinces.insert(query.value(0).toString());
    return true;
}

QString DpcService::province(const Args& args, const char* name) const
{
    const QString prov = args.text(name).trimmed().toUpper();
    return m_provinces.contains(prov) ? prov : QString();
}

std::optional<QString> DpcService::call(const SoapMessage::Request& request)
{
    using Handler = Result (DpcService::*)(const Args&);
    static const QHash<QString, Handler> handlers{
        {QStringLiteral("LoginUser"), &DpcService::loginUser},
        {QStringLiteral("LoadTabErrori"), &DpcService::loadTabErrori},
        {QStringLiteral("QueryRicette"), &DpcService::queryRicette},
        {QStringLiteral("LoadListaFarmacie"), &DpcService::loadListaFarmacie},
        {QStringLiteral("ErroreDPC"), &DpcService::erroreDpc},
        {QStringLiteral("FarmacoDPCbyAIC"), &DpcService::farmacoByAic},
        {QStringLiteral("FarmacoDPCbyPattivo"), &DpcService::farmacoByPattivo},
        {QStringLiteral("FindByCF"), &DpcService::findByCf},
        {QStringLiteral("FindFarma"), &DpcService::findFarma},
        {QStringLiteral("FindFarmaById"), &DpcService::findFarmaById},
        {QStringLiteral("F_LoadErroreByAnnoMese"), &DpcService::loadErroriByAnnoMese},
        {QStringLiteral("AnnullaErroreFarmacia"), &DpcService::annullaErrore},
    };
    const Handler handler = handlers.value(QLatin1String(request.operation->name));
    if (!handler)
        throw Fault(Fault::Code::Sender, QStringLiteral("Unknown operation"));
    return (this->*handler)(request.arguments);
}

DpcService::Result DpcService::loginUser(const Args& args)
{
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT u.id, u.prov, p.regione, p.asp, u.nome, u.salt,"
                                        " u.password_hash FROM users u JOIN provinces p"
                                        " ON p.prov = u.prov WHERE u.username = ?"),
                         {args.text("utente").trimmed()});
    if (!q.next())
        return std::nullopt;
    const QByteArray hash = QCryptographicHash::hash(
        (q.value(5).toString() + args.text("password")).toUtf8(), QCryptographicHash::Sha256);
    if (QString::fromLatin1(hash.toHex()) != q.value(6).toString())
        return std::nullopt;
    Fragment out;
    out.leaf("ID", q.value(0).toLongLong())
        .leaf("Prov", q.value(1).toString())
        .leaf("Regione", q.value(2).toString())
        .leaf("ASP", q.value(3).toString())
        .leaf("Nome", q.value(4).toString());
    return out.text();
}

DpcService::Result DpcService::loadTabErrori(const Args& args)
{
    if (province(args).isEmpty())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral("SELECT code, descrizione, soggetto, tipo_addebito"
                              " FROM error_codes WHERE code BETWEEN ? AND ? ORDER BY code"),
               {args.integer("da"), args.integer("a")});
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        out.open("TabErrori")
            .leaf("Errore", q.value(0).toLongLong())
            .leaf("Descrizione", q.value(1).toString())
            .leaf("Soggetto", q.value(2).toString())
            .leaf("TipoAddebito", q.value(3).toString())
            .close("TabErrori");
    }
    return any ? Result(out.text()) : std::nullopt;
}

DpcService::Result DpcService::queryRicette(const Args& args)
{
    // Only the one query form the program sends is understood; the number is
    // taken out of it and looked up as a bound value.
    static const QString prefix = QStringLiteral(" WHERE Ricette.numrickey='");
    const QString query = args.text("query");
    if (!query.startsWith(prefix) || !query.endsWith(u'\'') || query.size() < prefix.size() + 1)
        throw Fault(Fault::Code::Sender, QStringLiteral("Unsupported query"));
    const QString raw = query.mid(prefix.size(), query.size() - prefix.size() - 1);
    if (raw.contains(u'\''))
        throw Fault(Fault::Code::Sender, QStringLiteral("Unsupported query"));
    const QString prov = province(args);
    const QString number = raw.trimmed();
    if (prov.isEmpty() || number.isEmpty() || args.integer("flusso") != kFlowDpc)
        return std::nullopt;

    QSqlQuery q =
        select(m_db,
               QStringLiteral("SELECT p.anno, p.mese, pt.codice_fiscale,"
                              " pt.cognome || ' ' || pt.nome, p.progressivo, p.farmacia,"
                              " p.numrickey FROM prescriptions p JOIN patients pt"
                              " ON pt.id = p.patient_id WHERE p.numrickey = ? AND p.prov = ?"),
               {number, prov});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.leaf("Anno", q.value(0).toLongLong())
        .leaf("Mese", q.value(1).toLongLong())
        .leaf("Codice_assistito", q.value(2).toString())
        .leaf("Assistito", q.value(3).toString())
        .leaf("Progressivo", q.value(4).toString())
        .leaf("Farmacia", q.value(5).toLongLong())
        .leaf("NumRicKey", q.value(6).toString());
    return out.text();
}

DpcService::Result DpcService::loadListaFarmacie(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty())
        return std::nullopt;
    const QString codice = args.text("codice").trimmed();
    const QString ragsoc = args.text("ragsoc").trimmed();
    const QString distretto = args.text("distretto").trimmed();

    // A code other than 0 picks one pharmacy; otherwise the name (and the
    // district, when given) filter the province's pharmacies.
    const LeadingNumber code = leadingNumber(codice);
    if (code.overflow)
        return std::nullopt;
    const bool byCode = code.value != 0;
    QSqlQuery q =
        byCode ? select(m_db,
                        QStringLiteral("SELECT code, ragsoc, localita, distretto FROM pharmacies"
                                       " WHERE prov = ? AND code = ?"),
                        {prov, code.value})
               : select(m_db,
                        QStringLiteral("SELECT code, ragsoc, localita, distretto FROM pharmacies"
                                       " WHERE prov = ? ORDER BY code"),
                        {prov});
    Fragment out;
    bool any = false;
    while (q.next()) {
        const QString name = q.value(1).toString();
        if (!byCode && !name.contains(ragsoc, Qt::CaseInsensitive))
            continue;
        if (!byCode && !distretto.isEmpty() &&
            q.value(3).toString().compare(distretto, Qt::CaseInsensitive) != 0)
            continue;
        any = true;
        out.open("Farmacie")
            .leaf("Codice", q.value(0).toLongLong())
            .leaf("Ragsoc", name)
            .leaf("Localita", q.value(2).toString())
            .leaf("Distretto", q.value(3).toString())
            .close("Farmacie");
    }
    return any ? Result(out.text()) : std::nullopt;
}

DpcService::Result DpcService::errorRecords(const QString& where, const QVariantList& values)
{
    QSqlQuery q = select(m_db, ErrorReport::selectColumns() + where, values);
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        writeErrorRecord(out, q);
    }
    return any ? Result(out.text()) : std::nullopt;
}

DpcService::Result DpcService::erroreDpc(const Args& args)
{
    const QString prov = province(args);
    const QString number = args.text("numrickey").trimmed();
    const int anno = args.integer("anno");
    const int mese = args.integer("mese");
    if (prov.isEmpty() || number.isEmpty() || mese < 1 || mese > 12 || anno < 1900 || anno > 2999)
        return std::nullopt;
    // The quantity is typed by the operator (digits, comma, minus): its whole
    // number counts, and a text without one counts as 0.
    const LeadingNumber pezzi = leadingNumber(args.text("pezzi"));
    if (pezzi.overflow)
        throw Fault(Fault::Code::Sender, QStringLiteral("ErroreDPC: pezzi is too large"));

    Transaction transaction(m_db, m_writeLock);
    const int codfarma = args.integer("codfarma");
    const int errore = args.integer("errore");
    if (!select(m_db,
                QStringLiteral("SELECT 1 FROM prescriptions WHERE numrickey = ? AND prov = ?"),
                {number, prov})
             .next() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM pharmacies WHERE prov = ? AND code = ?"),
                {prov, codfarma})
             .next() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM error_codes WHERE code = ?"), {errore}).next())
        return std::nullopt;

    const QString aic = normalizedAic(args.text("aic"));
    qint64 priceCents = 0;
    QSqlQuery price = select(m_db, QStringLiteral("SELECT prezzo FROM drugs WHERE aic = ?"), {aic});
    if (price.next())
        priceCents = Money::parseCents(price.value(0).toString().toLatin1().constData());
    price.finish();

    const qint64 quantity = pezzi.value;
    QSqlQuery insert =
        select(m_db,
               QStringLiteral(
                   "INSERT INTO registered_errors(prov, flusso, anno, mese, codfarma, numrickey,"
                   " aic, pezzi, lordo_cents, cod_errore, registered_at)"
                   " VALUES(?,?,?,?,?,?,?,?,?,?,?)"),
               {prov, QString::fromLatin1(kFlowName), anno, mese, codfarma, number, aic, quantity,
                priceCents * quantity, errore, QDateTime::currentDateTime().toString(Qt::ISODate)});
    const qint64 id = insert.lastInsertId().toLongLong();
    Result record = errorRecords(QStringLiteral("WHERE e.id = ?"), {id});
    transaction.commit();
    return record;
}

DpcService::Result DpcService::farmacoByAic(const Args& args)
{
    if (province(args).isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT data, atc, molecola, aic, farmaco, nota, req_pt,"
                                        " prezzo, tipo_pt, disposizioni FROM drugs WHERE aic = ?"),
                         {normalizedAic(args.text("aic"))});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.leaf("Data", q.value(0).toString())
        .leaf("ATC", q.value(1).toString())
        .leaf("Molecola", q.value(2).toString())
        .leaf("AIC", q.value(3).toString())
        .leaf("Farmaco", q.value(4).toString())
        .leaf("Nota", q.value(5).toString())
        .leaf("ReqPT", q.value(6).toString())
        .leaf("PrezzoAcquisto", q.value(7).toString())
        .leaf("TipoPT", q.value(8).toString())
        .leaf("Disposizioni", q.value(9).toString());
    return out.text();
}

DpcService::Result DpcService::farmacoByPattivo(const Args& args)
{
    // An empty ingredient matches nothing rather than the whole list.
    const QString pattivo = args.text("pattivo").trimmed();
    if (province(args).isEmpty() || pattivo.isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT atc, molecola, aic, farmaco FROM drugs"
                                        " ORDER BY molecola, aic"),
                         {});
    Fragment out;
    bool any = false;
    while (q.next()) {
        if (!q.value(1).toString().contains(pattivo, Qt::CaseInsensitive))
            continue;
        any = true;
        out.open("FarmaciDPC")
            .leaf("ATC", q.value(0).toString())
            .leaf("Molecola", q.value(1).toString())
            .leaf("AIC", q.value(2).toString())
            .leaf("Farmaco", q.value(3).toString())
            .close("FarmaciDPC");
    }
    return any ? Result(out.text()) : std::nullopt;
}

DpcService::Result DpcService::findByCf(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty())
        return std::nullopt;
    QSqlQuery q = select(m_db,
                         QStringLiteral("SELECT id, codice_fiscale, cognome, nome FROM patients"
                                        " WHERE prov = ? AND codice_fiscale = ?"),
                         {prov, args.text("codice").trimmed().toUpper()});
    if (!q.next())
        return std::nullopt;
    Fragment out;
    out.open("ListaAnagrafica")
        .open("Anagrafica")
        .leaf("ID", q.value(0).toLongLong())
        .leaf("CodiceFiscale", q.value(1).toString())
        .leaf("Cognome", q.value(2).toString())
        .leaf("Nome", q.value(3).toString())
        .close("Anagrafica")
        .close("ListaAnagrafica");
    return out.text();
}

DpcService::Result DpcService::findFarma(const Args& args)
{
    const QString prov = province(args, "provincia");
    const int patient = args.integer("idassistito");
    if (prov.isEmpty() ||
        !select(m_db, QStringLiteral("SELECT 1 FROM patients WHERE id = ? AND prov = ?"),
                {patient, prov})
             .next())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral(
                   "SELECT d.atc, COALESCE(MIN(g.descrizione), ''), MIN(d.molecola),"
                   " MIN(p.data_spedizione), MAX(p.data_spedizione), SUM(l.pezzi),"
                   " SUM(l.pezzi * d.ddd_tenths)"
                   " FROM prescriptions p JOIN prescription_lines l ON l.numrickey = p.numrickey"
                   " JOIN drugs d ON d.aic = l.aic"
                   " LEFT JOIN atc_groups g ON g.code = substr(d.atc, 1, 5)"
                   " WHERE p.prov = ? AND p.patient_id = ? GROUP BY d.atc ORDER BY d.atc"),
               {prov, patient});
    Fragment out;
    while (q.next())
        writeDispensing(out, q);
    return out.text(); // a known patient without dispensing has an empty list
}

DpcService::Result DpcService::findFarmaById(const Args& args)
{
    const QString prov = province(args, "provincia");
    if (prov.isEmpty())
        return std::nullopt;
    QSqlQuery q =
        select(m_db,
               QStringLiteral(
                   "SELECT d.aic, COALESCE(MIN(g.descrizione), ''), MIN(d.farmaco),"
                   " MIN(p.data_spedizione), MAX(p.data_spedizione), SUM(l.pezzi),"
                   " SUM(l.pezzi * d.ddd_tenths)"
                   " FROM prescriptions p JOIN prescription_lines l ON l.numrickey = p.numrickey"
                   " JOIN drugs d ON d.aic = l.aic"
                   " LEFT JOIN atc_groups g ON g.code = substr(d.atc, 1, 5)"
                   " WHERE p.prov = ? AND p.patient_id = ? AND d.atc = ?"
                   " GROUP BY d.aic ORDER BY d.aic"),
               {prov, args.integer("idassistito"), args.text("atc").trimmed().toUpper()});
    Fragment out;
    bool any = false;
    while (q.next()) {
        any = true;
        writeDispensing(out, q);
    }
    return any ? Result(out.text()) : std::nullopt;
}

std::optional<DpcService::ReportFilter> DpcService::reportFilter(const Args& args) const
{
    const QString prov = province(args);
    const int mese = args.integer("mese");
    const int farmacia = args.integer("farmacia");
    if (prov.isEmpty() || args.integer("flusso") != kFlowDpc || mese < 0 || mese > 12)
        return std::nullopt;
    // A whole year of a province is a large part of the table: it is read in
    // ID order (the unary plus keeps the month index out), so that the first
    // records come at once instead of after sorting them all.
    const bool wholeYear = mese == 0 && farmacia == 0;
    ReportFilter filter{wholeYear ? QStringLiteral("WHERE +e.prov = ? AND +e.anno = ?")
                                  : QStringLiteral("WHERE e.prov = ? AND e.anno = ?"),
                        {prov, args.integer("anno")}};
    if (mese != 0) {
        filter.where += QStringLiteral(" AND e.mese = ?");
        filter.values << mese;
    }
    if (farmacia != 0) {
        filter.where += QStringLiteral(" AND e.codfarma = ?");
        filter.values << farmacia;
    }
    filter.where += QStringLiteral(" AND e.cancelled_at IS NULL ORDER BY e.id");
    return filter;
}

DpcService::Result DpcService::loadErroriByAnnoMese(const Args& args)
{
    const std::optional<ReportFilter> filter = reportFilter(args);
    if (!filter)
        return std::nullopt;
    return errorRecords(filter->where, filter->values);
}

DpcService::Result DpcService::annullaErrore(const Args& args)
{
    const QString prov = province(args);
    if (prov.isEmpty() || args.integer("flusso") != kFlowDpc)
        return std::nullopt;
    Transaction transaction(m_db, m_writeLock);
    QSqlQuery update =
        select(m_db,
               QStringLiteral("UPDATE registered_errors SET cancelled_at = ?"
                              " WHERE id = ? AND prov = ? AND cancelled_at IS NULL"),
               {QDateTime::currentDateTime().toString(Qt::ISODate), args.integer("id"), prov});
    if (update.numRowsAffected() != 1)
        return std::nullopt;
    Result record = errorRecords(QStringLiteral("WHERE e.id = ?"), {args.integer("id")});
    transaction.commit();
    return record;
}
