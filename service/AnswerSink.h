#pragma once

#include <QByteArrayView>
#include <QtGlobal>

// Takes a service answer's body piece by piece as it arrives
// (SoapClient::callInto), so that a large answer is never held whole.
class AnswerSink
{
public:
    virtual ~AnswerSink() = default;

    // The body's declared length, before its first piece, when the service gave one.
    virtual void expect(qint64 bytes) { Q_UNUSED(bytes); }
    virtual void take(QByteArrayView piece) = 0;
};
