#include "ProvinceSeeder.h"

#include "DemoFixtures.h"
#include "PrescriptionNumber.h"
#include "SeedRandom.h"
#include "SeedWriter.h"

#include <QVariant>

#include <algorithm>

namespace Demo {

namespace Seeder {
namespace {

constexpr int kFirstYear = Fixtures::firstSeededYear;
constexpr int kMonths = (Fixtures::lastSeededYear - kFirstYear + 1) * 12;
constexpr int kPharmaciesPerProvince = 120;
constexpr int kPatientsPerScale = 600;
constexpr int kErrorsPerScale = 1200;

QString isoDate(int month, int day)
{
    return QDate(kFirstYear + month / 12, month % 12 + 1, day).toString(Qt::ISODate);
}

int monthOf(int year, int month)
{
    return (year - kFirstYear) * 12 + month - 1;
}

} // namespace

bool ProvinceSeeder::run(qint64& nextPatientId, const std::vector<int>& pharmacyErrorCodes,
                         const std::vector<int>& allErrorCodes)
{
    m_nextPatientId = &nextPatientId;
    return prepareStatements() && seedPharmacies() && seedFixtures() && seedPatients() &&
           writePrescriptions() && seedErrors(pharmacyErrorCodes, allErrorCodes);
}

bool ProvinceSeeder::prepareStatements()
{
    return w.prepare(m_insertPharmacy, "INSERT INTO pharmacies VALUES(?,?,?,?,?)") &&
           w.prepare(m_insertPatient, "INSERT INTO patients VALUES(?,?,?,?,?,?,?)") &&
           w.prepare(m_insertPrescription, "INSERT INTO prescriptions VALUES(?,?,?,?,?,?,?,?)") &&
           w.prepare(m_insertLine, "INSERT INTO prescription_lines VALUES(?,?,?,?)") &&
           w.prepare(m_insertError,
                     "INSERT INTO registered_errors(prov, flusso, anno, mese, codfarma,"
                     " numrickey, aic, pezzi, lordo_cents, cod_errore, registered_at,"
                     " cancelled_at) VALUES(?,?,?,?,?,?,?,?,?,?,?,?)");
}

const Catalog::Town& ProvinceSeeder::pickTown()
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

QString ProvinceSeeder::pharmacyName()
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

bool ProvinceSeeder::insertPharmacy(int code, const QString& name, const QString& town,
                                    const QString& district)
{
    m_pharmacyCodes.push_back(code);
    return w.exec(m_insertPharmacy, {m_prov, code, name, town, district});
}

bool ProvinceSeeder::seedPharmacies()
{
    const bool pa = m_prov == QLatin1String(Fixtures::provPA);
    const int fixedCode = pa ? Fixtures::pharmacyCode : Fixtures::pharmacyCodeCT;
    const int base = pa ? 1000 : 3000;
    QSet<int> codes{fixedCode};
    QSet<QString> names{pa ? QString::fromUtf8(Fixtures::pharmacyName)
                           : QString::fromUtf8(Fixtures::pharmacyNameCT)};
    if (pa) {
        if (!insertPharmacy(fixedCode, QString::fromUtf8(Fixtures::pharmacyName),
                            QString::fromUtf8(Fixtures::pharmacyTown),
                            QString::fromUtf8(Fixtures::pharmacyDistrict)))
            return false;
    } else if (!insertPharmacy(fixedCode, QString::fromUtf8(Fixtures::pharmacyNameCT),
                               QString::fromUtf8(Fixtures::pharmacyTownCT),
                               QString::fromUtf8(Fixtures::pharmacyDistrictCT))) {
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

bool ProvinceSeeder::insertPatient(const QString& surname, const QString& name, QDate birth,
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

QString ProvinceSeeder::newNumber()
{
    for (;;) {
        QString number;
        const int kind = rnd.below(100);
        if (kind < 80) {
            number = QStringLiteral("190") + QString::number(rnd.between(10, 99)) + rnd.digits(9);
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

void ProvinceSeeder::fixturePrescription(const char* number, int year, int month, int pharmacy,
                                         qint64 patient, std::vector<Line> lines, int progressive)
{
    m_prescriptions.push_back({QString::fromLatin1(number), monthOf(year, month), pharmacy, patient,
                               std::move(lines), true, progressive});
}

bool ProvinceSeeder::seedFixtures()
{
    qint64 patient = 0;
    if (m_prov == QLatin1String(Fixtures::provPA)) {
        if (!insertPatient(QStringLiteral("RUSSO"), QStringLiteral("GIUSEPPE"), QDate(1950, 1, 1),
                           FiscalCode::Sex::Male, QStringLiteral("G273"), &patient))
            return false;
        const int plan = drug(Fixtures::aicPlan);
        const int heparin = drug(Fixtures::aicNoPlan);
        // Monthly adalimumab since March 2024, heparin in the spring.
        for (int month = 3; month < Fixtures::prescriptionMonth; ++month) {
            std::vector<Line> lines{{plan, 1}};
            if (month == 4 || month == 5)
                lines.push_back({heparin, 2});
            m_prescriptions.push_back(
                {newNumber(), monthOf(2024, month), Fixtures::pharmacyCode, patient, lines, true});
        }
        fixturePrescription(Fixtures::prescriptionPA, Fixtures::prescriptionYear,
                            Fixtures::prescriptionMonth, Fixtures::pharmacyCode, patient,
                            {{plan, 1}},
                            QString::fromLatin1(Fixtures::prescriptionProgressive).toInt());
        fixturePrescription(Fixtures::prescriptionExemptPA, Fixtures::prescriptionExemptYear,
                            Fixtures::prescriptionExemptMonth, Fixtures::pharmacyCode, patient,
                            {{plan, 1}, {heparin, 1}}, 5);
    } else {
        if (!insertPatient(QStringLiteral("MUSUMECI"), QStringLiteral("AGATA"), QDate(1962, 2, 5),
                           FiscalCode::Sex::Female, QStringLiteral("C351"), &patient))
            return false;
        const int apixaban = m_drugIndex.value(m_apixabanAic, 0);
        fixturePrescription(Fixtures::prescriptionCT, Fixtures::prescriptionCTYear,
                            Fixtures::prescriptionCTMonth, Fixtures::pharmacyCodeCT, patient,
                            {{apixaban, 1}}, 12);
    }
    return true;
}

bool ProvinceSeeder::seedPatients()
{
    const int count = kPatientsPerScale * m_scale;
    const int drugCount = static_cast<int>(m_drugs.size());
    for (int i = 0; i < count; ++i) {
        const bool male = rnd.percent(48);
        const QString surname = QString::fromUtf8(rnd.pick(Catalog::surnames()));
        const QString name =
            QString::fromUtf8(rnd.pick(male ? Catalog::maleNames() : Catalog::femaleNames()));
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
            const int pharmacy =
                rnd.percent(85)
                    ? home
                    : m_pharmacyCodes[rnd.below(static_cast<int>(m_pharmacyCodes.size()))];
            m_prescriptions.push_back({newNumber(), month, pharmacy, patient, lines});
            month += rnd.between(1, 2);
        }
    }
    return true;
}

bool ProvinceSeeder::writePrescriptions()
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

bool ProvinceSeeder::seedErrors(const std::vector<int>& pharmacyErrorCodes,
                                const std::vector<int>& allErrorCodes)
{
    std::vector<int> candidates;
    for (int i = 0; i < static_cast<int>(m_prescriptions.size()); ++i) {
        if (!m_prescriptions[i].fixture)
            candidates.push_back(i);
    }
    const int count = kErrorsPerScale * m_scale;
    for (int i = 0; i < count; ++i) {
        const Prescription& p =
            m_prescriptions[candidates[rnd.below(static_cast<int>(candidates.size()))]];
        const Line& line = p.lines[rnd.below(static_cast<int>(p.lines.size()))];
        const int code =
            rnd.percent(92)
                ? pharmacyErrorCodes[rnd.below(static_cast<int>(pharmacyErrorCodes.size()))]
                : allErrorCodes[rnd.below(static_cast<int>(allErrorCodes.size()))];
        const int pezzi = rnd.percent(85) ? line.pezzi : 1;
        const QDate checked =
            QDate(kFirstYear + p.month / 12, p.month % 12 + 1, 1).addDays(rnd.between(20, 80));
        const QString at =
            checked.toString(Qt::ISODate) + QStringLiteral("T%1:%2:00")
                                                .arg(rnd.between(8, 17), 2, 10, QChar(u'0'))
                                                .arg(rnd.below(60), 2, 10, QChar(u'0'));
        const QVariant cancelled =
            rnd.percent(4)
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

} // namespace Seeder

} // namespace Demo
