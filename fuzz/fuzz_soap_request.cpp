// Fuzzes the demo service's reading of a request, the bytes a client sends it
// over the network. The first line of the input is the SOAPAction the client
// declared ("-" for none), the rest the body. Whatever the bytes, the reader
// either refuses them with a fault or gives a known operation with each of its
// children, the whole-number ones readable; written again by the program's own
// envelope builder, that request reads back the same.

#include "DpcService.h"
#include "SlowReading.h"
#include "SoapEnvelope.h"
#include "SoapMessage.h"

#include <cstddef>
#include <cstdint>

using Demo::DpcService;
using SlowReading::check;
namespace Operations = Demo::Operations;
namespace SoapMessage = Demo::SoapMessage;

namespace {

const QString ns = QStringLiteral("http://tempuri.org/");

// The children of a parsed request, in the operation's order; whole numbers
// are checked on the way.
SoapChildren children(const SoapMessage::Request& request)
{
    SoapChildren out;
    for (const Operations::Param& param : request.operation->params) {
        check(request.arguments.has(QLatin1String(param.name)));
        const QString value = request.arguments.text(param.name);
        if (param.type == Operations::ParamType::Int) {
            const std::optional<int> number = SoapMessage::parseInt(value);
            check(number.has_value());
            check(request.arguments.integer(param.name) == *number);
        }
        out.append({QString::fromLatin1(param.name), value});
    }
    return out;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray input =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), static_cast<qsizetype>(size));
    const qsizetype newline = input.indexOf('\n');
    const QByteArray line = newline < 0 ? QByteArray("-") : input.left(newline);
    const QByteArray body = newline < 0 ? input : input.mid(newline + 1);
    const std::optional<QString> action =
        line == "-" ? std::nullopt : std::optional<QString>(QString::fromUtf8(line));

    // A limit the fuzzer can reach as well as the service's own.
    for (const qsizetype limit : {SoapMessage::kMaxRequestBytes, qsizetype(512)}) {
        try {
            const SoapMessage::Request request =
                SoapMessage::parse(body, ns, DpcService::operations(), action, limit);
            check(request.operation != nullptr);
            check(body.size() <= limit);
            const SoapChildren first = children(request);
            const QString operation = QString::fromLatin1(request.operation->name);
            bool plain = true; // carriage returns are line ends to an XML reader
            for (const auto& [name, value] : first)
                plain = plain && !value.contains(u'\r');
            if (!plain)
                continue;
            const SoapMessage::Request again = SoapMessage::parse(
                SoapEnvelope::build(ns, operation, first).toUtf8(), ns, DpcService::operations(),
                SoapEnvelope::soapAction(ns, operation));
            check(again.operation == request.operation);
            check(children(again) == first);
        } catch (const SoapMessage::Fault& fault) {
            check(!fault.reason.isEmpty());
            check(!SoapMessage::fault(fault).isEmpty());
        }
    }
    return 0;
}
