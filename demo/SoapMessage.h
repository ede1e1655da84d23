#pragma once

#include "Operations.h"

#include <QByteArray>
#include <QHash>
#include <QString>
#include <optional>
#include <stdexcept>

namespace Demo {

// SOAP 1.2 requests in, compact SOAP 1.2 answers out.
namespace SoapMessage {

inline constexpr qsizetype kMaxRequestBytes = 1024 * 1024;
// No request needs more: an envelope, its header blocks, its body, the
// operation and its children, with their namespace declarations. A body with
// more is refused before it is parsed.
inline constexpr int kMostElements = 128;
inline constexpr int kMostAttributes = 128;
inline constexpr const char* kEnvelopeNamespace = "http://www.w3.org/2003/05/soap-envelope";

struct Fault : std::runtime_error
{
    enum class Code
    {
        VersionMismatch,
        MustUnderstand,
        Sender,
        Receiver
    };
    Fault(Code c, const QString& text)
        : std::runtime_error(text.toStdString()), code(c), reason(text)
    {
    }
    Code code;
    QString reason;
};

// The children of a request, already checked against the operation.
class Arguments
{
public:
    void set(const QString& name, const QString& value) { m_values.insert(name, value); }
    bool has(const QString& name) const { return m_values.contains(name); }
    QString text(const char* name) const { return m_values.value(QLatin1String(name)); }
    int integer(const char* name) const;

private:
    QHash<QString, QString> m_values;
};

struct Request
{
    const Operations::Operation* operation = nullptr;
    Arguments arguments;
};

// Parses an envelope; `action` is the SOAPAction the client declared (none
// when it declared none). Throws Fault for a body with more elements or
// attributes than the limits above, at once, and for anything that is not a well-formed
// request of one of `operations` in the namespace, with every child present and
// of its type.
Request parse(const QByteArray& body, const QString& namespaceUri,
              std::span<const Operations::Operation> operations,
              const std::optional<QString>& action, qsizetype maxBytes = kMaxRequestBytes);

// The refusal of a request larger than `maxBytes`.
Fault tooLarge(qsizetype maxBytes);

// Whole number of an xsd:int child: optional blanks around an optional sign
// and digits, within 32 bits.
std::optional<int> parseInt(const QString& text);

// Builds the content of a result element: elements without any whitespace
// between them, every leaf written as <Tag>value</Tag>.
class Fragment
{
public:
    Fragment& open(const char* tag);
    Fragment& close(const char* tag);
    Fragment& leaf(const char* tag, const QString& value);
    Fragment& leaf(const char* tag, qint64 value);
    const QString& text() const { return m_xml; }

private:
    QString m_xml;
};

QString escape(const QString& value);

// <OpResponse xmlns="ns"><OpResult>content</OpResult></OpResponse>, or the
// response element alone when there is no result.
QByteArray answer(const QString& namespaceUri, const QString& operation,
                  const std::optional<QString>& resultContent);
// The bytes of an answer with a result before and after its content.
QByteArray answerHead(const QString& namespaceUri, const QString& operation);
QByteArray answerTail(const QString& operation);
QByteArray fault(const Fault& fault);

} // namespace SoapMessage

} // namespace Demo
