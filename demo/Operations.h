#pragma once

#include <QString>
#include <QStringView>
#include <span>

// The twelve operations of the service: their request children and the shape
// of their results. The request parser checks requests against it and the
// WSDL is written from it.
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
};

std::span<const Operation> all();
const Operation* find(QStringView name);
std::span<const ComplexType> types();
const ComplexType* type(QStringView name);

} // namespace Operations
