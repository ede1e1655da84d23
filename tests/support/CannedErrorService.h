#pragma once

#include "TlsTestServer.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <functional>

// A canned D.P.C. service on a loopback TLS server that remembers registered
// errors: ErroreDPC stores a record, which F_LoadErroreByAnnoMese then lists
// for its year, month and pharmacy. Every other operation gets one fixed
// answer. Either of the two can fail as a real service or network does.
class CannedErrorService
{
public:
    enum class Failure
    {
        None,
        Refused,    // a result without any record in it (ErroreDPC only)
        NoResult,   // an answer without the result element
        Fault,      // HTTP 500 with a SOAP fault
        BadGateway, // HTTP 502 with no body, as a proxy gives
        Dropped,    // the connection closes before a byte of the answer
        Hung,       // no answer at all
    };

    CannedErrorService();

    bool listen() { return m_server.listen(); }
    TlsTestServer& server() { return m_server; }

    // The whole SOAP answer of every other operation.
    void setOtherAnswer(const QByteArray& answer) { m_other = answer; }
    // How ErroreDPC is answered, and whether the error is stored all the same.
    void failRegistration(Failure failure, bool stored)
    {
        m_registrationFailure = failure;
        m_storeOnFailure = stored;
    }
    void failLookUp(Failure failure) { m_lookUpFailure = failure; }

    // A record already registered: the children of one <Errore>, listed for
    // that year, month and pharmacy.
    void addRecord(int anno, int mese, int farmacia, const QByteArray& children);

    int registrations() const { return m_registrations; }
    int lookUps() const { return m_lookUps; }
    int stored() const { return int(m_records.size()); }
    // The body of every ErroreDPC request, oldest first.
    const QList<QByteArray>& registrationBodies() const { return m_registrationBodies; }

    // Called as each request arrives, with its operation, while the client
    // still waits for the answer.
    std::function<void(const QString& operation)> onRequest;

private:
    struct Record
    {
        int anno;
        int mese;
        int farmacia;
        QByteArray children;
    };

    TlsAnswer respond(const TlsRequest& request);
    TlsAnswer registration(const QByteArray& body);
    TlsAnswer lookUp(const QByteArray& body);

    TlsTestServer m_server;
    QByteArray m_other;
    QList<Record> m_records;
    int m_nextId = 101;
    Failure m_registrationFailure = Failure::None;
    bool m_storeOnFailure = false;
    Failure m_lookUpFailure = Failure::None;
    int m_registrations = 0;
    int m_lookUps = 0;
    QList<QByteArray> m_registrationBodies;
};
