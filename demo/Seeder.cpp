#include "Seeder.h"

#include "Catalog.h"
#include "DemoFixtures.h"
#include "DemoUsers.h"
#include "Money.h"
#include "ProvinceSeeder.h"
#include "SeedRandom.h"
#include "SeedSchema.h"
#include "SeedWriter.h"

#include <QCryptographicHash>
#include <QDate>
#include <QHash>
#include <QSet>
#include <QSqlQuery>
#include <QVariant>

#include <vector>

namespace Demo {

namespace Seeder {
namespace {

constexpr std::uint32_t kSeed = 0x44504321; // fixed: the data never changes

QString passwordHash(const QString& salt, const QString& password)
{
    return QString::fromLatin1(
        QCryptographicHash::hash((salt + password).toUtf8(), QCryptographicHash::Sha256).toHex());
}

bool seedReferenceTables(SeedWriter& w, SeedRandom& rnd, std::vector<Drug>& drugs,
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
    for (const Users::User& user : Users::all()) {
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
    QSet<QString> aics{QString::fromLatin1(Fixtures::aicPlan),
                       QString::fromLatin1(Fixtures::aicNoPlan),
                       QString::fromLatin1(Fixtures::aicUnknown)};
    auto addDrug = [&](const QString& aic, int priceCents) {
        drugIndex.insert(aic, static_cast<int>(drugs.size()));
        drugs.push_back({aic, priceCents});
    };
    // The two fixed packages first.
    const Catalog::AtcGroup* heparins = Catalog::atcGroupFor("B01AB05");
    addDrug(QString::fromLatin1(Fixtures::aicPlan), Money::parseCents(Fixtures::pricePlan));
    if (!w.exec(q,
                {QString::fromLatin1(Fixtures::aicPlan), QString::fromLatin1(Fixtures::atcPlan),
                 QString::fromLatin1(Fixtures::moleculePlan),
                 QString::fromLatin1(Fixtures::namePlan), QString::fromLatin1(Fixtures::notaPlan),
                 QString::fromLatin1(Fixtures::reqPtPlan), QString::fromLatin1(Fixtures::pricePlan),
                 QString::fromLatin1(Fixtures::tipoPtPlan),
                 QString::fromUtf8(Fixtures::disposizioniPlan),
                 QString::fromLatin1(Fixtures::dataPlan), 280}))
        return false;
    addDrug(QString::fromLatin1(Fixtures::aicNoPlan), 1860);
    if (!w.exec(q, {QString::fromLatin1(Fixtures::aicNoPlan), QStringLiteral("B01AB05"),
                    QString::fromLatin1(Fixtures::moleculeNoPlan),
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
            aic = QStringLiteral("0%1%2")
                      .arg(productCodes[molecule], 5, 10, QChar(u'0'))
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

bool seed(QSqlDatabase& db, int scale, QString* error)
{
    SeedWriter w(db);
    SeedRandom rnd(kSeed);
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
    QSet<QString> usedNumbers{QString::fromLatin1(Fixtures::prescriptionPA),
                              QString::fromLatin1(Fixtures::prescriptionExemptPA),
                              QString::fromLatin1(Fixtures::prescriptionCT)};
    qint64 nextPatientId = 1;
    for (const Catalog::Province& province : Catalog::provinces()) {
        ProvinceSeeder seeder(w, rnd, province, scale, drugs, drugIndex, apixabanAic, usedNumbers);
        if (!seeder.run(nextPatientId, pharmacyErrorCodes, allErrorCodes))
            return fail();
    }

    if (!createIndexes(w))
        return fail();
    QSqlQuery meta;
    if (!w.prepare(meta, "INSERT INTO meta VALUES(?,?)") ||
        !w.exec(meta, {QStringLiteral("schema_version"), QString::number(kSchemaVersion)}) ||
        !w.exec(meta, {QStringLiteral("seed_scale"), QString::number(scale)}))
        return fail();
    return true;
}

} // namespace Seeder

} // namespace Demo
