#pragma once

#include "Catalog.h"
#include "FiscalCode.h"

#include <QDate>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QString>

#include <map>
#include <utility>
#include <vector>

namespace Demo {

namespace Seeder {

class SeedRandom;
class SeedWriter;

struct Drug
{
    QString aic;
    int priceCents;
};

// Generates one province: its pharmacies, patients, prescriptions and
// registered errors, including the fixed records the tests look for. Every
// value is drawn from the shared random generator, in a fixed order.
class ProvinceSeeder
{
public:
    ProvinceSeeder(SeedWriter& writer, SeedRandom& random, const Catalog::Province& province,
                   int scale, const std::vector<Drug>& drugs, const QHash<QString, int>& drugIndex,
                   const QString& apixabanAic, QSet<QString>& usedNumbers)
        : w(writer), rnd(random), m_province(province), m_prov(QString::fromLatin1(province.prov)),
          m_scale(scale), m_drugs(drugs), m_drugIndex(drugIndex), m_apixabanAic(apixabanAic),
          m_usedNumbers(usedNumbers)
    {
    }

    bool run(qint64& nextPatientId, const std::vector<int>& pharmacyErrorCodes,
             const std::vector<int>& allErrorCodes);

private:
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

    bool prepareStatements();
    const Catalog::Town& pickTown();
    QString pharmacyName();
    bool insertPharmacy(int code, const QString& name, const QString& town,
                        const QString& district);
    bool seedPharmacies();
    bool insertPatient(const QString& surname, const QString& name, QDate birth,
                       FiscalCode::Sex sex, const QString& place, qint64* id);
    QString newNumber();
    int drug(const char* aic) const { return m_drugIndex.value(QString::fromLatin1(aic), 0); }
    void fixturePrescription(const char* number, int year, int month, int pharmacy, qint64 patient,
                             std::vector<Line> lines, int progressive);
    bool seedFixtures();
    bool seedPatients();
    bool writePrescriptions();
    bool seedErrors(const std::vector<int>& pharmacyErrorCodes,
                    const std::vector<int>& allErrorCodes);

    SeedWriter& w;
    SeedRandom& rnd;
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

} // namespace Seeder

} // namespace Demo
