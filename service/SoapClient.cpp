#include "SoapClient.h"

#include "LogCategories.h"
#include "OnDemandModule.h"
#include "SoapTransport.h"

#include <optional>

// Declared lengths up to this are reserved at once; a larger one grows as it comes.
constexpr qint64 MaxReservedBytes = qint64(1) << 30;

namespace {

// The network module's entry points, once it has been loaded; a member is
// null when the module could not be loaded or lacks it.
struct NetworkModule
{
    SoapTransportModule::Make make = nullptr;
    SoapTransportModule::InFlight inFlight = nullptr;
    SoapTransportModule::ResetFailureWarning resetFailureWarning = nullptr;
    SoapTransportModule::CaNames caNames = nullptr;
};

// Empty until something needs the network: asking whether a call is in
// flight does not load the module (no call can be without it).
std::optional<NetworkModule> s_module;

template <typename Function> Function entry(const char* symbol)
{
    return reinterpret_cast<Function>(
        OnDemandModule::resolve(QString::fromLatin1(SoapTransportModule::name), symbol));
}

const NetworkModule& networkModule()
{
    if (!s_module) {
        NetworkModule module;
        module.make = entry<SoapTransportModule::Make>(SoapTransportModule::make);
        module.inFlight = entry<SoapTransportModule::InFlight>(SoapTransportModule::inFlight);
        module.resetFailureWarning = entry<SoapTransportModule::ResetFailureWarning>(
            SoapTransportModule::resetFailureWarning);
        module.caNames = entry<SoapTransportModule::CaNames>(SoapTransportModule::caNames);
        if (!module.make) {
            const QStringList folders = OnDemandModule::folders();
            qCWarning(dpcService).noquote()
                << logTime() << "the network module libdpc_network.so cannot be loaded from"
                << (folders.isEmpty() ? QStringLiteral("anywhere: the program is neither installed "
                                                       "nor in its build tree")
                                      : folders.join(QStringLiteral(", ")));
        }
        s_module = module;
    }
    return *s_module;
}

// Gathers the whole body, in one buffer sized from the declared length.
class WholeBody : public AnswerSink
{
public:
    void expect(qint64 bytes) override
    {
        if (bytes > 0 && bytes <= MaxReservedBytes)
            body.reserve(qsizetype(bytes));
    }
    void take(QByteArrayView piece) override { body.append(piece); }

    QByteArray body;
};

} // namespace

SoapClient::SoapClient(ServiceConfig config) : m_config(std::move(config)) {}

SoapClient::~SoapClient() = default;

void SoapClient::resetFailureWarning()
{
    if (s_module && s_module->resetFailureWarning)
        s_module->resetFailureWarning();
}

bool SoapClient::callInFlight()
{
    return s_module && s_module->inFlight && s_module->inFlight();
}

QStringList SoapClient::trustedCaNames(const ServiceConfig& config)
{
    QStringList names;
    if (config.extraCaPem.isEmpty())
        return names;
    if (const auto caNames = networkModule().caNames)
        caNames(&config.extraCaPem, &names);
    return names;
}

QString SoapClient::CHIAMA_WS(const QString& soapAction, const QString& envelope, Posting posting)
{
    return QString::fromUtf8(callUtf8(soapAction, envelope, posting));
}

QByteArray SoapClient::callUtf8(const QString& soapAction, const QString& envelope, Posting posting)
{
    WholeBody whole;
    QByteArray failure;
    if (!callInto(soapAction, envelope, whole, posting, &failure))
        return failure;
    return std::move(whole.body);
}

bool SoapClient::callInto(const QString& soapAction, const QString& envelope, AnswerSink& sink,
                          Posting posting, QByteArray* failure)
{
    if (!m_transport) {
        if (const auto make = networkModule().make)
            m_transport.reset(make(&m_config));
    }
    if (!m_transport) {
        if (failure)
            *failure = "Error: the network module cannot be loaded";
        return false;
    }
    return m_transport->callInto(soapAction, envelope, sink, posting == Posting::Once, failure);
}
