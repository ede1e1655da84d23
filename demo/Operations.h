#pragma once

#include <QString>
#include <QStringView>
#include <optional>
#include <span>

namespace Demo {

class DpcService;
namespace SoapMessage {
class Arguments;
}

// How the service's operations are described: their request children, the
// shape of their results and the member of DpcService that answers each. The
// table of operations (DpcService::operations()) is the one list of them: the
// request parser checks requests against it, DpcService dispatches by it and
// the WSDL is written from it.
namespace Operations {

enum class ParamType { Text, Int };

struct Param
{
    const char* name;
    ParamType type;
};

// A child of a result type: "string", "int" or the name of another type.
struct Field
{
    const char* name;
    const char* type;
    bool repeated = false;
};

struct ComplexType
{
    const char* name;
    std::span<const Field> fields;
};

struct Operation
{
    const char* name;
    std::span<const Param> params;
    const char* resultType;
    // Answers the request; no result is "not found".
    std::optional<QString> (DpcService::*answer)(const SoapMessage::Arguments&);
};

const Operation* find(std::span<const Operation> operations, QStringView name);
// The result types, which the operations' `resultType` and the fields name.
std::span<const ComplexType> types();
const ComplexType* type(QStringView name);

} // namespace Operations

} // namespace Demo
