#include "NoticeAnswer.h"

#include "MainWindowFixture.h"
#include "TestService.h"
#include "TlsTestServer.h"

#include <QTabWidget>
#include <QTest>
#include <QTreeWidget>

namespace {

QByteArray sentName(int pharmacy)
{
    switch (pharmacy) {
    case 1:
        return "FARMACIA PATTI, DR.SSA MARIA";
    case 2:
        return "FARMACIA ROSSI &amp; FIGLI; SNC";
    case 3:
        return "FARMACIA \"LA SALUTE\"; DR. ROSSI";
    case 4:
        return "FARMACIA SANTA LUC\xC3\x8C"
               "A DI NICCOL\xC3\x92";
    case 5:
        return "=SOMMA(1;2) FARMACIA";
    case NoticeAnswer::LongPharmacy:
        return "FARMACIA DI SAN MARTINO IN PENSILIS, DR. DELLAVALLEDISANMARTINOINPENSILIS &amp; C.";
    default:
        return "FARMACIA NUMERO " + QByteArray::number(pharmacy);
    }
}

QByteArray lordoOf(int i)
{
    if (i % 3 == 0)
        return "1,005";
    if (i % 3 == 1)
        return "1234,5";
    const qint64 cents = NoticeAnswer::centsOf(i);
    return QByteArray::number(cents / 100) + '.' +
           QByteArray::number(cents % 100).rightJustified(2, '0');
}

bool longValues(int i)
{
    return NoticeAnswer::pharmacyOf(i) == NoticeAnswer::LongPharmacy;
}

QByteArray assistito(int i)
{
    if (longValues(i))
        return "DELLAVALLEDISANMARTINOINPENSILIS MARIAGRAZIAANTONIETTA";
    return i % 50 == 0 ? "-BIANCHI, LUCA" : "ROSSI, MARIA " + QByteArray::number(i);
}

QByteArray farmaco(int i)
{
    return longValues(i) ? "SOLUZIONEINIETTABILEINPENNAPRERIEMPITADAQUARANTAMILLIGRAMMI"
                         : "HUMIRA 40 MG";
}

const QByteArray Description = "ESENZIONE NON SPETTANTE, TICKET NON RISCOSSO &lt;ART. 8&gt;";

} // namespace

int NoticeAnswer::pharmacyOf(int i)
{
    return 1 + i % Pharmacies;
}

QString NoticeAnswer::prescriptionOf(int i)
{
    return QStringLiteral("2026") + QString::number(i).rightJustified(11, u'0');
}

qint64 NoticeAnswer::centsOf(int i)
{
    if (i % 3 == 0)
        return 101; // 1,005 rounds half away from zero
    if (i % 3 == 1)
        return 123450;
    return (qint64(i) * 7919) % 500000 + 1;
}

int NoticeAnswer::recordOf(const QString& prescription)
{
    return prescription.right(11).toInt();
}

int NoticeAnswer::pharmacyCount(int pharmacy)
{
    int n = 0;
    for (int i = 1; i <= Records; ++i)
        n += pharmacyOf(i) == pharmacy;
    return n;
}

qint64 NoticeAnswer::pharmacyCents(int pharmacy)
{
    qint64 cents = 0;
    for (int i = 1; i <= Records; ++i)
        cents += pharmacyOf(i) == pharmacy ? centsOf(i) : 0;
    return cents;
}

QString NoticeAnswer::codeOf(int pharmacy)
{
    return QString::number(pharmacy).rightJustified(5, u'0');
}

QString NoticeAnswer::nameOf(int pharmacy)
{
    return QString::fromUtf8(sentName(pharmacy))
        .replace(QStringLiteral("&amp;"), QStringLiteral("&"));
}

QStringList NoticeAnswer::fields(int i)
{
    const qint64 cents = centsOf(i);
    return {
        QStringLiteral("2026"), QString::number(1 + i % 12).rightJustified(2, u'0'),
        codeOf(pharmacyOf(i)), nameOf(pharmacyOf(i)), prescriptionOf(i),
        QString::fromUtf8(assistito(i)),
        longValues(i) ? QStringLiteral("MMMMMM00M00M000M") : QStringLiteral("FZASVT87T15G273J"),
        QStringLiteral("035946023"), QString::fromUtf8(farmaco(i)), QStringLiteral("ADALIMUMAB"),
        // Now and then a quantity taken back.
        QString::number(i % 50 == 25 ? -(1 + i % 3) : 1 + i % 3),
        QString::number(cents / 100) + u',' + QString::number(cents % 100).rightJustified(2, u'0'),
        QStringLiteral("012"),
        QStringLiteral("ESENZIONE NON SPETTANTE, TICKET NON RISCOSSO <ART. 8>"),
        QStringLiteral("Addebito della differenza"), QStringLiteral("Farmacia"),
        QStringLiteral("DPC")};
}

QByteArray NoticeAnswer::records()
{
    QByteArray xml;
    for (int i = 1; i <= Records; ++i) {
        const QStringList f = fields(i);
        xml += "<Errore><ID>" + QByteArray::number(i) +
               "</ID><Flusso>DPC</Flusso><Anno>2026</Anno><Mese>" + QByteArray::number(1 + i % 12) +
               "</Mese><Codfarma>" + QByteArray::number(pharmacyOf(i)) + "</Codfarma><Farmacia>" +
               sentName(pharmacyOf(i)) + "</Farmacia><NumricKey>" + f[4].toUtf8() +
               "</NumricKey><Assistito>" + assistito(i) + "</Assistito><CodAssistito>" +
               f[6].toUtf8() + "</CodAssistito><AIC>035946023</AIC><Farmaco>" + farmaco(i) +
               "</Farmaco><Molecola>ADALIMUMAB</Molecola><Pezzi>" + f[10].toUtf8() +
               "</Pezzi><Lordo>" + lordoOf(i) +
               "</Lordo><CodErrore>012</CodErrore>"
               "<DescrizioneErrore>" +
               Description +
               "</DescrizioneErrore>"
               "<TipoAddebito>Addebito della differenza</TipoAddebito>"
               "<Soggetto>Farmacia</Soggetto></Errore>";
    }
    return xml;
}

QByteArray NoticeAnswer::answer()
{
    return TestService::answer(
        "<LoginUserResult><ID>1</ID><Prov>PA</Prov><ASP>ASP DI PALERMO</ASP>"
        "<Nome>MARIO BIANCHI</Nome></LoginUserResult><F_LoadErroreByAnnoMeseResult>" +
        records() + "</F_LoadErroreByAnnoMeseResult>");
}

std::unique_ptr<MainWindowFixture> NoticeAnswer::openReport(TlsTestServer& server)
{
    if (!server.listen())
        return nullptr;
    server.setSoapAnswer(200, answer());
    auto session = std::make_unique<MainWindowFixture>(TestService::configFor(server));
    if (!session->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    session->context->utenti.Anno = 2026;
    session->find<QTabWidget>("SSTab1")->setCurrentIndex(3); // the year's report runs
    auto* list = session->find<QTreeWidget>("ListView1");
    if (!QTest::qWaitFor([&] { return list->topLevelItemCount() == Records; }))
        return nullptr;
    session->boxes.clear();
    return session;
}
