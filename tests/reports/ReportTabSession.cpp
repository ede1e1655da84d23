#include "ReportTabSession.h"

#include "TestService.h"

#include <QTabWidget>

namespace ReportTabSession {

namespace {

// One answer for every operation: each cuts its own result out of it.
QByteArray answerWith(const QByteArray& records)
{
    QByteArray results = "<LoginUserResult><ID>1</ID><Prov>PA</Prov><Nome>OPERATORE</Nome>"
                         "</LoginUserResult>";
    if (!records.isNull())
        results += "<F_LoadErroreByAnnoMeseResult>" + records + "</F_LoadErroreByAnnoMeseResult>";
    return TestService::answer(results + "<AnnullaErroreFarmaciaResult><Errore><ID>1</ID></Errore>"
                                         "</AnnullaErroreFarmaciaResult>");
}

} // namespace

QByteArray record(const QByteArray& id, const QByteArray& mese, const QByteArray& codfarma,
                  const QByteArray& farmacia, const QByteArray& flusso)
{
    return "<Errore><ID> " + id + " </ID><Flusso>" + flusso + "</Flusso><Anno>2024</Anno><Mese>" +
           mese + "</Mese><Codfarma>" + codfarma + "</Codfarma><Farmacia>" + farmacia +
           "</Farmacia><NumricKey>1234500000" + id.trimmed().left(5) +
           "</NumricKey><Assistito>RUSSO</Assistito><Pezzi>2</Pezzi><Lordo>1234,5</Lordo>"
           "<CodErrore>12</CodErrore><DescrizioneErrore>RICETTA SCADUTA</DescrizioneErrore>"
           "</Errore>";
}

const QByteArray fourRecords =
    record("41", "10", "120", "FARMACIA ROSSI, DR. BIANCHI") +
    record("42", "2", "5", "FARMACIA CENTRALE") +
    record("43", "0", "30", "FARMACIA DEL CORSO", "ALTRO") +
    "<Errore><ID>7x</ID><Mese>11</Mese><Codfarma>1000</Codfarma></Errore>";

std::unique_ptr<Session> logIn(const QByteArray& records)
{
    auto s = std::make_unique<Session>();
    if (!s->server.listen())
        return nullptr;
    s->server.setSoapAnswer(200, answerWith(records));
    s->f = std::make_unique<MainWindowFixture>(TestService::configFor(s->server));
    if (!s->f->logIn(QStringLiteral("u"), QStringLiteral("p")))
        return nullptr;
    s->f->boxes.clear();
    return s;
}

void enterReports(MainWindowFixture& f)
{
    f.find<QTabWidget>("SSTab1")->setCurrentIndex(3);
}

} // namespace ReportTabSession
