#include "Seeder.h"

#include "Catalog.h"
#include "DemoFixtures.h"
#include "DemoUsers.h"
#include "FiscalCode.h"
#include "Money.h"
#include "PrescriptionNumber.h"

#include <QCryptographicHash>
#include <QDate>
#include <QHash>
#include <QSet>
#include <QSqlError>
#include <QSqlQuery>
#include <QVariant>

#include <algorithm>
#include <map>
#include <random>
#include <vector>

namespace Seeder {
namespace {

constexpr std::uint32_t kSeed = 0x44504321; // fixed: the data never changes
constexpr int kFirstYear = DemoFixtures::firstSeededYear;
constexpr int kMonths = (DemoFixtures::lastSeededYear - kFirstYear + 1) * 12;
constexpr int kPharmaciesPerProvince = 120;
constexpr int kPatientsPerScale = 600;
constexpr int kErrorsPerScale = 1200;

const char* const kSchema[] = {
    "CREATE TABLE meta(key TEXT PRIMARY KEY, value TEXT NOT NULL)",
    "CREATE TABLE provinces(prov TEXT PRIMARY KEY, regione TEXT NOT NULL, asp TEXT NOT NULL)",
    "CREATE TABLE users(id INTEGER PRIMARY KEY, username TEXT NOT NULL UNIQUE COLLATE NOCASE,"
    " salt TEXT NOT NULL, password_hash TEXT NOT NULL, prov TEXT NOT NULL, nome TEXT NOT NULL)",
    "CREATE TABLE pharmacies(prov TEXT NOT NULL, code INTEGER NOT NULL, ragsoc TEXT NOT NULL,"
    " localita TEXT NOT NULL, distretto TEXT NOT NULL, PRIMARY KEY(prov, code))",
    "CREATE TABLE atc_groups(code TEXT PRIMARY KEY, descrizione TEXT NOT NULL)",
    "CREATE TABLE drugs(aic TEXT PRIMARY KEY, atc TEXT NOT NULL, molecola TEXT NOT NULL,"
    " farmaco TEXT NOT NULL, nota TEXT NOT NULL, req_pt TEXT NOT NULL, prezzo TEXT NOT NULL,"
    " tipo_pt TEXT NOT NULL, disposizioni TEXT NOT NULL, data TEXT NOT NULL,"
    " ddd_tenths INTEGER NOT NULL)",
    "CREATE TABLE error_codes(code INTEGER PRIMARY KEY, descrizione TEXT NOT NULL,"
    " soggetto TEXT NOT NULL, tipo_addebito TEXT NOT NULL)",
    "CREATE TABLE patients(id INTEGER PRIMARY KEY, prov TEXT NOT NULL,"
    " codice_fiscale TEXT NOT NULL, cognome TEXT NOT NULL, nome TEXT NOT NULL,"
    " sesso TEXT NOT NULL, data_nascita TEXT NOT NULL)",
    "CREATE TABLE prescriptions(numrickey TEXT PRIMARY KEY, prov TEXT NOT NULL,"
    " anno INTEGER NOT NULL, mese INTEGER NOT NULL, data_spedizione TEXT NOT NULL,"
    " farmacia INTEGER NOT NULL, patient_id INTEGER NOT NULL, progressivo INTEGER NOT NULL)",
    "CREATE TABLE prescription_lines(numrickey TEXT NOT NULL, riga INTEGER NOT NULL,"
    " aic TEXT NOT NULL, pezzi INTEGER NOT NULL, PRIMARY KEY(numrickey, riga))",
    "CREATE TABLE registered_errors(id INTEGER PRIMARY KEY AUTOINCREMENT,"
    " prov TEXT NOT NULL, flusso TEXT NOT NULL, anno INTEGER NOT NULL, mese INTEGER NOT NULL,"
    " codfarma INTEGER NOT NULL, numrickey TEXT NOT NULL, aic TEXT NOT NULL,"
    " pezzi INTEGER NOT NULL, lordo_cents INTEGER NOT NULL, cod_errore INTEGER NOT NULL,"
    " registered_at TEXT NOT NULL, cancelled_at TEXT)",
};

// Created after the bulk insert, which is faster than keeping them up to date.
const char* const kIndexes[] = {
    "CREATE UNIQUE INDEX patients_by_fiscal_code ON patients(prov, codice_fiscale)",
    "CREATE INDEX prescriptions_by_patient ON prescriptions(prov, patient_id)",
    ("CREATE INDEX registered_errors_by_month ON registered_errors(prov, anno, mese, codfarma)"
     " WHERE cancelled_at IS NULL"),
};

// Deterministic on every platform: only the raw mt19937 output is used.
class Random
{
public:
    explicit Random(std::uint32_t seed) : m_engine(seed) {}
    int below(int n) { return static_cast<int>(m_engine() % static_cast<std::uint32_t>(n)); }
    int between(int low, int high) { return low + below(high - low + 1); }
    bool percent(int p) { return below(100) < p; }
    template<typename T>
    const T& pick(std::span<const T> items) { return items[below(static_cast<int>(items.size()))]; }
    QString digits(int count)
    {
        QString out;
        for (int i = 0; i < count; ++i)
            out += QChar(u'0' + below(10));
        return out;
    }

private:
    std::mt19937 m_engine;
};

struct Drug
{
    QString aic;
    int priceCents;
};

struct Line
{
    int drug; // index into the drug list
    int pezzi;
};

struct Prescription
{
    QString number;
    int month; // 0 = January of the first year
    int pharmacy;
    qint64 patientId;
    std::vector<Line> lines;
    bool fixture = false;
    int progressive = 0; // 0: the next of its pharmacy and month
};

class Writer
{
public:
    explicit Writer(QSqlDatabase& db) : m_db(db) {}

    bool prepare(QSqlQuery& query, const char* sql)
    {
        query = QSqlQuery(m_db);
        if (query.prepare(QString::fromLatin1(sql)))
            return true;
        m_error = QString::fromLatin1(sql) + QStringLiteral(": ") + query.lastError().text();
        return false;
    }

    bool exec(QSqlQuery& query, std::initializer_list<QVariant> values)
    {
        int i = 0;
        for (const QVariant& value : values)
            query.bindValue(i++, value);
        if (query.exec())
            return true;
        m_error = query.lastQuery() + QStringLiteral(": ") + query.lastError().text();
        return false;
    }

    bool run(const char* sql)
    {
        QSqlQuery query(m_db);
        if (query.exec(QString::fromLatin1(sql)))
            return true;
        m_error = QString::fromLatin1(sql) + QStringLiteral(": ") + query.lastError().text();
        return false;
    }

    const QString& error() const { return m_error; }

private:
    QSqlDatabase& m_db;
    QString m_error;
};

QString isoDate(int month, int day)
{
    return QDate(kFirstYear + month / 12, month % 12 + 1, day).toString(Qt::ISODate);
}

int monthOf(int year, int month) { return (year - kFirstYear) * 12 + month - 1; }

class ProvinceSeeder
{
public:
    ProvinceSeeder(Writer& writer, Random& random, const Catalog::Province& province, int scale,
                   const std::vector<Drug>& drugs, const QHash<QString, int>& drugIndex,
                   const QString& apixabanAic, QSet<QString>& usedNumbers)
        : w(writer), rnd(random), m_province(province), m_prov(QString::fromLatin1(province.prov)),
          m_scale(scale), m_drugs(drugs), m_drugIndex(drugIndex), m_apixabanAic(apixabanAic),
          m_usedNumbers(usedNumbers)
    {
    }

    bool run(qint64& nextPatientId, const std::vector<int>& pharmacyErrorCodes,
             const std::vector<int>& allErrorCodes)
    {
        m_nextPatientId = &nextPatientId;
        return prepareStatements() && seedPharmacies() && seedFixtures() && seedPatients() &&
               writePrescriptions() && seedErrors(pharmacyErrorCodes, allErrorCodes);
    }

private:
    bool prepareStatements()
    {
        return w.prepare(m_insertPharmacy, "INSERT INTO pharmacies VALUES(?,?,?,?,?)") &&
               w.prepare(m_insertPatient, "INSERT INTO patients VALUES(?,?,?,?,?,?,?)") &&
               w.prepare(m_insertPrescription,
                         "INSERT INTO prescriptions VALUES(?,?,?,?,?,?,?,?)") &&
               w.prepare(m_insertLine, "INSERT INTO prescription_lines VALUES(?,?,?,?)") &&
               w.prepare(m_insertError,
                         "INSERT INTO registered_errors(prov, flusso, anno, mese, codfarma,"
                         " numrickey, aic, pezzi, lordo_cents, cod_errore, registered_at,"
                         " cancelled_at) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
    }

    const Catalog::Town& pickTown()
    {
        int total = 0;
        for (const Catalog::Town& town : m_province.towns)
            total += town.weight;
        int roll = rnd.below(total);
        for (const Catalog::Town& town : m_province.towns) {
            if (roll < town.weight)
                return town;
            roll -= town.weight;
        }
        return m_province.towns.front();
    }

    QString pharmacyName()
    {
        const QString surname = QString::fromUtf8(rnd.pick(Catalog::surnames()));
        switch (rnd.below(7)) {
        case 0:
            return QStringLiteral("FARMACIA ") + QString::fromUtf8(rnd.pick(Catalog::pharmacySaints()));
        case 1:
            return QStringLiteral("FARMACIA ") + QString::fromUtf8(rnd.pick(Catalog::pharmacyPlaces()));
        case 2:
            return QStringLiteral("FARMACIA %1 DR. %2")
                .arg(surname, QString::fromUtf8(rnd.pick(Catalog::maleNames())));
        case 3:
            return QStringLiteral("FARMACIA %1, DR.SSA %2")
                .arg(surname, QString::fromUtf8(rnd.pick(Catalog::femaleNames())));
        case 4:
            return QStringLiteral("FARMACIA %1%2")
                .arg(surname, QString::fromUtf8(rnd.pick(Catalog::companySuffixes())));
        case 5:
            return QStringLiteral("ANTICA FARMACIA ") + surname;
        default:
            return QStringLiteral("FARMACIA %1 DI %2 E %3")
                .arg(QString::fromUtf8(rnd.pick(Catalog::pharmacyPlaces())), surname,
                     QString::fromUtf8(rnd.pick(Catalog::surnames())));
        }
    }

    bool insertPharmacy(int code, const QString& name, const QString& town, const QString& district)
    {
        m_pharmacyCodes.push_back(code);
        return w.exec(m_insertPharmacy, {m_prov, code, name, town, district});
    }

    bool seedPharmacies()
    {
        const bool pa = m_prov == QLatin1String(DemoFixtures::provPA);
        const int fixedCode = pa ? DemoFixtures::pharmacyCode : DemoFixtures::pharmacyCodeCT;
        const int base = pa ? 1000 : 3000;
        QSet<int> codes{fixedCode};
        QSet<QString> names{pa ? QString::fromUtf8(DemoFixtures::pharmacyName)
                               : QString::fromUtf8(DemoFixtures::pharmacyNameCT)};
        if (pa) {
            if (!insertPharmacy(fixedCode, QString::fromUtf8(DemoFixtures::pharmacyName),
                                QString::fromUtf8(DemoFixtures::pharmacyTown),
                                QString::fromUtf8(DemoFixtures::pharmacyDistrict)))
                return false;
        } else if (!insertPharmacy(fixedCode, QString::fromUtf8(DemoFixtures::pharmacyNameCT),
                                   QString::fromUtf8(DemoFixtures::pharmacyTownCT),
                                   QString::fromUtf8(DemoFixtures::pharmacyDistrictCT))) {
            return false;
        }
        while (codes.size() < kPharmaciesPerProvince) {
            const int code = base + rnd.between(1, 999);
            if (codes.contains(code))
                continue;
            QString name = pharmacyName();
            if (names.contains(name))
                continue;
            codes.insert(code);
            names.insert(name);
            const Catalog::Town& town = pickTown();
            if (!insertPharmacy(code, name, QString::fromUtf8(town.name),
                                QString::fromUtf8(town.district)))
                return false;
        }
        return true;
    }

    bool insertPatient(const QString& surname, const QString& name, QDate birth,
                       FiscalCode::Sex sex, const QString& place, qint64* id)
    {
        const QString code = FiscalCode::compute(surname, name, birth, sex, place);
        if (m_fiscalCodes.contains(code)) {
            *id = 0;
            return true;
        }
        m_fiscalCodes.insert(code);
        *id = (*m_nextPatientId)++;
        return w.exec(m_insertPatient,
                      {*id, m_prov, code, surname, name,
                       sex == FiscalCode::Sex::Male ? QStringLiteral("M") : QStringLiteral("F"),
                       birth.toString(Qt::ISODate)});
    }

    QString newNumber()
    {
        for (;;) {
            QString number;
            const int kind = rnd.below(100);
            if (kind < 80) {
                number = QStringLiteral("190") + QString::number(rnd.between(10, 99)) +
                         rnd.digits(9);
                number += QChar(u'0' + PrescriptionNumber::checkDigit(number));
            } else if (kind < 95) {
                number = QStringLiteral("1900A") + rnd.digits(10);
            } else {
                number = QStringLiteral("999") + rnd.digits(12);
            }
            if (!m_usedNumbers.contains(number)) {
                m_usedNumbers.insert(number);
                return number;
            }
        }
    }

    int drug(const char* aic) const { return m_drugIndex.value(QString::fromLatin1(aic), 0); }

    void fixturePrescription(const char* number, int year, int month, int pharmacy,
                             qint64 patient, std::vector<Line> lines, int progressive)
    {
        m_prescriptions.push_back({QString::fromLatin1(number), monthOf(year, month), pharmacy,
                                   patient, std::move(lines), true, progressive});
    }

    bool seedFixtures()
    {
        qint64 patient = 0;
        if (m_prov == QLatin1String(DemoFixtures::provPA)) {
            if (!insertPatient(QStringLiteral("RUSSO"), QStringLiteral("GIUSEPPE"), QDate(1950, 1, 1),
                               FiscalCode::Sex::Male, QStringLiteral("G273"), &patient))
                return false;
            const int plan = drug(DemoFixtures::aicPlan);
            const int heparin = drug(DemoFixtures::aicNoPlan);
            // Monthly adalimumab since March 2024, heparin in the spring.
            for (int month = 3; month < DemoFixtures::prescriptionMonth; ++month) {
                std::vector<Line> lines{{plan, 1}};
                if (month == 4 || month == 5)
                    lines.push_back({heparin, 2});
                m_prescriptions.push_back({newNumber(), monthOf(2024, month),
                                           DemoFixtures::pharmacyCode, patient, lines, true});
            }
            fixturePrescription(DemoFixtures::prescriptionPA, DemoFixtures::prescriptionYear,
                                DemoFixtures::prescriptionMonth, DemoFixtures::pharmacyCode,
                                patient, {{plan, 1}},
                                QString::fromLatin1(DemoFixtures::prescriptionProgressive).toInt());
            fixturePrescription(DemoFixtures::prescriptionExemptPA,
                                DemoFixtures::prescriptionExemptYear,
                                DemoFixtures::prescriptionExemptMonth, DemoFixtures::pharmacyCode,
                                patient, {{plan, 1}, {heparin, 1}}, 5);
        } else {
            if (!insertPatient(QStringLiteral("MUSUMECI"), QStringLiteral("AGATA"), QDate(1962, 2, 5),
                               FiscalCode::Sex::Female, QStringLiteral("C351"), &patient))
                return false;
            const int apixaban = m_drugIndex.value(m_apixabanAic, 0);
            fixturePrescription(DemoFixtures::prescriptionCT, DemoFixtures::prescriptionCTYear,
                                DemoFixtures::prescriptionCTMonth, DemoFixtures::pharmacyCodeCT,
                                patient, {{apixaban, 1}}, 12);
        }
        return true;
    }

    bool seedPatients()
    {
        const int count = kPatientsPerScale * m_scale;
        const int drugCount = static_cast<int>(m_drugs.size());
        for (int i = 0; i < count; ++i) {
            const bool male = rnd.percent(48);
            const QString surname = QString::fromUtf8(rnd.pick(Catalog::surnames()));
            const QString name = QString::fromUtf8(
                rnd.pick(male ? Catalog::maleNames() : Catalog::femaleNames()));
            const QDate birth = QDate(1935, 1, 1).addDays(rnd.below(65 * 365));
            const Catalog::Town& place =
                rnd.percent(80) ? pickTown() : rnd.pick(Catalog::otherBirthPlaces());
            qint64 patient = 0;
            if (!insertPatient(surname, name, birth,
                               male ? FiscalCode::Sex::Male : FiscalCode::Sex::Female,
                               QString::fromLatin1(place.cadastralCode), &patient))
                return false;
            if (patient == 0)
                continue; // same fiscal code as an earlier patient

            // One to three therapies, refilled every month or two at the usual pharmacy.
            std::vector<int> therapies;
            const int therapyCount = rnd.between(1, 3);
            for (int t = 0; t < therapyCount; ++t)
                therapies.push_back(rnd.below(drugCount));
            const int home = m_pharmacyCodes[rnd.below(static_cast<int>(m_pharmacyCodes.size()))];
            int month = rnd.below(kMonths - 4);
            const int refills = rnd.between(2, 8);
            for (int r = 0; r < refills && month < kMonths; ++r) {
                std::vector<Line> lines;
                for (int drugIndex : therapies) {
                    if (lines.empty() || rnd.percent(60))
                        lines.push_back({drugIndex, rnd.percent(75) ? 1 : 2});
                }
                const int pharmacy = rnd.percent(85)
                    ? home
                    : m_pharmacyCodes[rnd.below(static_cast<int>(m_pharmacyCodes.size()))];
                m_prescriptions.push_back({newNumber(), month, pharmacy, patient, lines});
                month += rnd.between(1, 2);
            }
        }
        return true;
    }

    bool writePrescriptions()
    {
        for (const Prescription& p : m_prescriptions) {
            int& counter = m_progressives[{p.pharmacy, p.month}];
            int progressive = p.progressive;
            if (progressive == 0)
                progressive = ++counter;
            else
                counter = std::max(counter, progressive);
            const int day = rnd.between(1, 28);
            if (!w.exec(m_insertPrescription,
                        {p.number, m_prov, kFirstYear + p.month / 12, p.month % 12 + 1,
                         isoDate(p.month, day), p.pharmacy, p.patientId, progressive}))
                return false;
            int row = 1;
            for (const Line& line : p.lines) {
                if (!w.exec(m_insertLine, {p.number, row++, m_drugs[line.drug].aic, line.pezzi}))
                    return false;
            }
        }
        return true;
    }

    bool seedErrors(const std::vector<int>& pharmacyErrorCodes, const std::vector<int>& allErrorCodes)
    {
        std::vector<int> candidates;
        for (int i = 0; i < static_cast<int>(m_prescriptions.size()); ++i) {
            if (!m_prescriptions[i].fixture)
                candidates.push_back(i);
        }
        const int count = kErrorsPerScale * m_scale;
        for (int i = 0; i < count; ++i) {
            const Prescription& p = m_prescriptions[candidates[rnd.below(static_cast<int>(candidates.size()))]];
            const Line& line = p.lines[rnd.below(static_cast<int>(p.lines.size()))];
            const int code = rnd.percent(92)
                ? pharmacyErrorCodes[rnd.below(static_cast<int>(pharmacyErrorCodes.size()))]
                : allErrorCodes[rnd.below(static_cast<int>(allErrorCodes.size()))];
            const int pezzi = rnd.percent(85) ? line.pezzi : 1;
            const QDate checked =
                QDate(kFirstYear + p.month / 12, p.month % 12 + 1, 1).addDays(rnd.between(20, 80));
            const QString at = checked.toString(Qt::ISODate) +
                QStringLiteral("T%1:%2:00")
                    .arg(rnd.between(8, 17), 2, 10, QChar(u'0'))
                    .arg(rnd.below(60), 2, 10, QChar(u'0'));
            const QVariant cancelled = rnd.percent(4)
                ? QVariant(checked.addDays(3).toString(Qt::ISODate) + QStringLiteral("T10:00:00"))
                : QVariant(QMetaType::fromType<QString>());
            if (!w.exec(m_insertError,
                        {m_prov, QStringLiteral("DPC"), kFirstYear + p.month / 12, p.month % 12 + 1,
                         p.pharmacy, p.number, m_drugs[line.drug].aic, pezzi,
                         qint64(m_drugs[line.drug].priceCents) * pezzi, code, at, cancelled}))
                return false;
        }
        return true;
    }

    Writer& w;
    Random& rnd;
    const Catalog::Province& m_province;
    QString m_prov;
    int m_scale;
    const std::vector<Drug>& m_drugs;
    const QHash<QString, int>& m_drugIndex;
    QString m_apixabanAic;
    QSet<QString>& m_usedNumbers;
    qint64* m_nextPatientId = nullptr;
    std::vector<int> m_pharmacyCodes;
    QSet<QString> m_fiscalCodes;
    std::vector<Prescription> m_prescriptions;
    std::map<std::pair<int, int>, int> m_progressives;
    QSqlQuery m_insertPharmacy, m_insertPatient, m_insertPrescription, m_insertLine, m_insertError;
};

QString passwordHash(const QString& salt, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool seedReferenceTables(Writer& w, Random& rnd, std::vector<Drug>& drugs,
                         QHash<QString, int>& drugIndex, QString& apixabanAic)
{
    QSqlQuery q;
    if (!w.prepare(q, "INSERT INTO provinces VALUES(?,?,?)"))
        return false;
    for (const Catalog::Province& p : Catalog::provinces()) {
        if (!w.exec(q, {QString::fromLatin1(p.prov), QString::fromLatin1(p.regione),
                        QString::fromLatin1(p.asp)}))
            return false;
    }
    if (!w.prepare(q, "INSERT INTO users VALUES(?,?,?,?,?,?)"))
        return false;
    for (const DemoUsers::User& user : DemoUsers::all()) {
        const QString salt = QString::fromLatin1(user.username).toUpper();
        if (!w.exec(q, {user.id, QString::fromLatin1(user.username), salt,
                        passwordHash(salt, QString::fromLatin1(user.password)),
                        QString::fromLatin1(user.prov), QString::fromUtf8(user.nome)}))
            return false;
    }
    if (!w.prepare(q, "INSERT INTO atc_groups VALUES(?,?)"))
        return false;
    for (const Catalog::AtcGroup& group : Catalog::atcGroups()) {
        if (!w.exec(q, {QString::fromLatin1(group.code), QString::fromUtf8(group.description)}))
            return false;
    }
    if (!w.prepare(q, "INSERT INTO error_codes VALUES(?,?,?,?)"))
        return false;
    for (const Catalog::ErrorCode& e : Catalog::errorCodes()) {
        if (!w.exec(q, {e.code, QString::fromUtf8(e.descrizione), QString::fromUtf8(e.soggetto),
                        QString::fromUtf8(e.tipoAddebito)}))
            return false;
    }

    if (!w.prepare(q, "INSERT INTO drugs VALUES(?,?,?,?,?,?,?,?,?,?,?)"))
        return false;
    QSet<QString> aics{QString::fromLatin1(DemoFixtures::aicPlan),
                       QString::fromLatin1(DemoFixtures::aicNoPlan),
                       QString::fromLatin1(DemoFixtures::aicUnknown)};
    auto addDrug = [&](const QString& aic, int priceCents) {
        drugIndex.insert(aic, static_cast<int>(drugs.size()));
        drugs.push_back({aic, priceCents});
    };
    // The two fixed packages first.
    const Catalog::AtcGroup* heparins = Catalog::atcGroupFor("B01AB05");
    addDrug(QString::fromLatin1(DemoFixtures::aicPlan), Money::parseCents(DemoFixtures::pricePlan));
    if (!w.exec(q, {QString::fromLatin1(DemoFixtures::aicPlan), QString::fromLatin1(DemoFixtures::atcPlan),
                    QString::fromLatin1(DemoFixtures::moleculePlan),
                    QString::fromLatin1(DemoFixtures::namePlan),
                    QString::fromLatin1(DemoFixtures::notaPlan),
                    QString::fromLatin1(DemoFixtures::reqPtPlan),
                    QString::fromLatin1(DemoFixtures::pricePlan),
                    QString::fromLatin1(DemoFixtures::tipoPtPlan),
                    QString::fromUtf8(DemoFixtures::disposizioniPlan),
                    QString::fromLatin1(DemoFixtures::dataPlan), 280}))
        return false;
    addDrug(QString::fromLatin1(DemoFixtures::aicNoPlan), 1860);
    if (!w.exec(q, {QString::fromLatin1(DemoFixtures::aicNoPlan), QStringLiteral("B01AB05"),
                    QString::fromLatin1(DemoFixtures::moleculeNoPlan),
                    QStringLiteral("ENOXAPARINA SODICA 4.000 UI AXA/0,4 ML SOLUZIONE INIETTABILE "
                                   "6 SIRINGHE"),
                    QString::fromUtf8(heparins->nota), QString::fromUtf8(heparins->reqPt),
                    Money::format(1860), QString::fromUtf8(heparins->tipoPt),
                    QString::fromUtf8(heparins->disposizioni), QStringLiteral("15/01/2023"), 60}))
        return false;

    // Packages of one molecule share the first six digits of their codes
    // (a leading zero and five random digits).
    QHash<QString, int> productCodes;
    QHash<QString, int> packageCounters;
    for (const Catalog::Package& package : Catalog::packages()) {
        const QString molecule = QString::fromUtf8(package.molecola);
        QString aic;
        do {
            if (!productCodes.contains(molecule) || aic.size() == 9)
                productCodes[molecule] = rnd.between(20000, 49999);
            const int counter = ++packageCounters[molecule];
            aic = QStringLiteral("0%1%2").arg(productCodes[molecule], 5, 10, QChar(u'0'))
                      .arg(counter * 12 + rnd.below(10), 3, 10, QChar(u'0'));
        } while (aics.contains(aic));
        aics.insert(aic);
        const Catalog::AtcGroup* group = Catalog::atcGroupFor(package.atc);
        const QDate listed = QDate(2019, 1, 1).addDays(rnd.below(6 * 365));
        addDrug(aic, package.priceCents);
        if (molecule == QLatin1String("APIXABAN") && apixabanAic.isEmpty())
            apixabanAic = aic;
        if (!w.exec(q, {aic, QString::fromLatin1(package.atc), molecule,
                        molecule + u' ' + QString::fromUtf8(package.form),
                        QString::fromUtf8(group->nota), QString::fromUtf8(group->reqPt),
                        Money::format(package.priceCents), QString::fromUtf8(group->tipoPt),
                        QString::fromUtf8(group->disposizioni),
                        listed.toString(QStringLiteral("dd/MM/yyyy")), package.dddTenths}))
            return false;
    }
    return true;
}

} // namespace

bool createSchema(QSqlDatabase& db, QString* error)
{
    Writer w(db);
    for (const char* sql : kSchema) {
        if (!w.run(sql)) {
            if (error)
                *error = w.error();
            return false;
        }
    }
    return true;
}

bool seed(QSqlDatabase& db, int scale, QString* error)
{
    Writer w(db);
    Random rnd(kSeed);
    std::vector<Drug> drugs;
    QHash<QString, int> drugIndex;
    QString apixabanAic;
    auto fail = [&] {
        if (error)
            *error = w.error();
        return false;
    };
    if (!seedReferenceTables(w, rnd, drugs, drugIndex, apixabanAic))
        return fail();

    std::vector<int> pharmacyErrorCodes, allErrorCodes;
    for (const Catalog::ErrorCode& e : Catalog::errorCodes()) {
        allErrorCodes.push_back(e.code);
        if (QLatin1String(e.soggetto) == QLatin1String("Farmacia"))
            pharmacyErrorCodes.push_back(e.code);
    }

    // The fixed numbers are reserved before any number is generated.
    QSet<QString> usedNumbers{QString::fromLatin1(DemoFixtures::prescriptionPA),
                              QString::fromLatin1(DemoFixtures::prescriptionExemptPA),
                              QString::fromLatin1(DemoFixtures::prescriptionCT)};
    qint64 nextPatientId = 1;
    for (const Catalog::Province& province : Catalog::provinces()) {
        ProvinceSeeder seeder(w, rnd, province, scale, drugs, drugIndex, apixabanAic, usedNumbers);
        if (!seeder.run(nextPatientId, pharmacyErrorCodes, allErrorCodes))
            return fail();
    }

    for (const char* sql : kIndexes) {
        if (!w.run(sql))
            return fail();
    }
    QSqlQuery meta;
    if (!w.prepare(meta, "INSERT INTO meta VALUES(?,?)") ||
        !w.exec(meta, {QStringLiteral("schema_version"), QString::number(kSchemaVersion)}) ||
        !w.exec(meta, {QStringLiteral("seed_scale"), QString::number(scale)}))
        return fail();
    return true;
}

} // namespace Seeder
