#pragma once

#include "SoapClient.h"
#include "SoapEnvelope.h"
#include "StagingFolder.h"

#include <QStringList>
#include <optional>

// The steps every operation shares: write the envelope and post it, then cut
// the result and stage it in a file (or keep it in memory), then read it back.
class ServiceCall
{
public:
    enum class Staged
    {
        Found,
        NotFound,
        WriteFailed
    };

    ServiceCall(SoapClient& client, StagingFolder staging);

    SoapClient& client() { return m_client; }
    const StagingFolder& staging() const { return m_staging; }

    // Posts the operation's body element with its children; the body element and
    // the SOAPAction suffix are the operation name.
    QString post(const QString& operation, const SoapChildren& children,
                 SoapClient::Posting posting = SoapClient::Posting::MayRepeat);
    // The same in UTF-8, for answers staged with stageUtf8().
    QByteArray postUtf8(const QString& operation, const SoapChildren& children);

    // SALVA_RISULTATO with a file: on NotFound and WriteFailed the file keeps
    // what it held.
    Staged stage(const QString& response, const QString& operation, const QString& fileName,
                 bool replaceCommas);
    // The same for an answer still in UTF-8; the same file bytes.
    Staged stageUtf8(QByteArrayView response, const QString& operation, const QString& fileName,
                     bool replaceCommas);

    // A file an answer is staged in by postAndStage().
    struct Target
    {
        QString fileName;
        bool replaceCommas;
    };
    // postUtf8() and stageUtf8() into each target in one go: the answer is
    // staged as it arrives and never held whole. Files are replaced only once
    // the whole answer is in and holds its result, each in turn; the first
    // one not found or not written stops the turn, leaving it and those after
    // it as they were (NotFound for those after). A failed call (connection,
    // TLS, timeout, an answer cut short) is NotFound for every file.
    QList<Staged> postAndStage(const QString& operation, const SoapChildren& children,
                               const QList<Target>& targets);

    // SALVA_RISULTATO in memory: the cut result, or nothing.
    static std::optional<QString> inMemory(const QString& response, const QString& operation,
                                           bool replaceCommas);
    // Whether an answer without its result element is still the operation's
    // own whole answer: its response element, complete, inside a closed
    // envelope, and no fault. That is how the service says it found nothing;
    // a failed call ("Error: " text), a fault or a cut or foreign body is not.
    static bool answeredWithoutResult(QStringView response, const QString& operation);

    QStringList readLines(const QString& fileName) const { return m_staging.readLines(fileName); }
    QString readText(const QString& fileName) const { return m_staging.readText(fileName); }
    template <typename Visitor> bool forEachLine(const QString& fileName, Visitor visit) const
    {
        return m_staging.forEachLine(fileName, std::move(visit));
    }
    QByteArray readUtf8(const QString& fileName) const { return m_staging.readUtf8(fileName); }
    bool withUtf8(const QString& fileName, const std::function<void(QByteArrayView)>& visit) const
    {
        return m_staging.withUtf8(fileName, visit);
    }

private:
    SoapClient& m_client;
    StagingFolder m_staging;
};
