#include "Wsdl.h"

#include <QXmlStreamWriter>

namespace Demo {

namespace Wsdl {
namespace {

constexpr const char* kWsdl = "http://schemas.xmlsoap.org/wsdl/";
constexpr const char* kSoap12 = "http://schemas.xmlsoap.org/wsdl/soap12/";
constexpr const char* kXsd = "http://www.w3.org/2001/XMLSchema";

QString xsdType(const char* type)
{
    const QLatin1String t(type);
    if (t == QLatin1String("string") || t == QLatin1String("int"))
        return QStringLiteral("s:") + t;
    return QStringLiteral("tns:") + t;
}

void element(QXmlStreamWriter& xml, const char* name, const QString& type, const char* minOccurs,
             const char* maxOccurs)
{
    xml.writeEmptyElement(QLatin1String(kXsd), QStringLiteral("element"));
    xml.writeAttribute(QStringLiteral("minOccurs"), QLatin1String(minOccurs));
    xml.writeAttribute(QStringLiteral("maxOccurs"), QLatin1String(maxOccurs));
    xml.writeAttribute(QStringLiteral("name"), QLatin1String(name));
    xml.writeAttribute(QStringLiteral("type"), type);
}

void writeSchema(QXmlStreamWriter& xml, std::span<const Operations::Operation> operations,
                 const QString& ns)
{
    xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("schema"));
    xml.writeAttribute(QStringLiteral("elementFormDefault"), QStringLiteral("qualified"));
    xml.writeAttribute(QStringLiteral("targetNamespace"), ns);
    for (const Operations::Operation& op : operations) {
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("element"));
        xml.writeAttribute(QStringLiteral("name"), QLatin1String(op.name));
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("complexType"));
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("sequence"));
        for (const Operations::Param& param : op.params) {
            element(xml, param.name,
                    param.type == Operations::ParamType::Int ? QStringLiteral("s:int")
                                                             : QStringLiteral("s:string"),
                    "1", "1");
        }
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();

        // An absent result is the answer "not found".
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("element"));
        xml.writeAttribute(QStringLiteral("name"), QLatin1String(op.name) + QStringLiteral("Response"));
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("complexType"));
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("sequence"));
        const QByteArray resultName = QByteArray(op.name) + "Result";
        element(xml, resultName.constData(), xsdType(op.resultType), "0", "1");
        xml.writeEndElement();
        xml.writeEndElement();
        xml.writeEndElement();
    }
    for (const Operations::ComplexType& type : Operations::types()) {
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("complexType"));
        xml.writeAttribute(QStringLiteral("name"), QLatin1String(type.name));
        xml.writeStartElement(QLatin1String(kXsd), QStringLiteral("sequence"));
        for (const Operations::Field& field : type.fields) {
            element(xml, field.name, xsdType(field.type), field.repeated ? "0" : "1",
                    field.repeated ? "unbounded" : "1");
        }
        xml.writeEndElement();
        xml.writeEndElement();
    }
    xml.writeEndElement();
}

} // namespace

QByteArray document(std::span<const Operations::Operation> operations, const QString& namespaceUri,
                    const QString& location)
{
    QByteArray out;
    QXmlStreamWriter xml(&out);
    xml.setAutoFormatting(true);
    xml.writeNamespace(QLatin1String(kWsdl), QStringLiteral("wsdl"));
    xml.writeNamespace(QLatin1String(kSoap12), QStringLiteral("soap12"));
    xml.writeNamespace(QLatin1String(kXsd), QStringLiteral("s"));
    xml.writeNamespace(namespaceUri, QStringLiteral("tns"));
    xml.writeStartDocument();
    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("definitions"));
    xml.writeAttribute(QStringLiteral("targetNamespace"), namespaceUri);

    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("types"));
    writeSchema(xml, operations, namespaceUri);
    xml.writeEndElement();

    for (const Operations::Operation& op : operations) {
        for (const char* direction : {"In", "Out"}) {
            const QString name = QLatin1String(op.name);
            xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("message"));
            xml.writeAttribute(QStringLiteral("name"), name + QStringLiteral("Soap") + QLatin1String(direction));
            xml.writeEmptyElement(QLatin1String(kWsdl), QStringLiteral("part"));
            xml.writeAttribute(QStringLiteral("name"), QStringLiteral("parameters"));
            xml.writeAttribute(QStringLiteral("element"),
                               QStringLiteral("tns:") + name +
                                   (QLatin1String(direction) == QLatin1String("In")
                                        ? QString()
                                        : QStringLiteral("Response")));
            xml.writeEndElement();
        }
    }

    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("portType"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("WSQuorvelSoap"));
    for (const Operations::Operation& op : operations) {
        const QString name = QLatin1String(op.name);
        xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("operation"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeEmptyElement(QLatin1String(kWsdl), QStringLiteral("input"));
        xml.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + name + QStringLiteral("SoapIn"));
        xml.writeEmptyElement(QLatin1String(kWsdl), QStringLiteral("output"));
        xml.writeAttribute(QStringLiteral("message"), QStringLiteral("tns:") + name + QStringLiteral("SoapOut"));
        xml.writeEndElement();
    }
    xml.writeEndElement();

    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("binding"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("WSQuorvelSoap12"));
    xml.writeAttribute(QStringLiteral("type"), QStringLiteral("tns:WSQuorvelSoap"));
    xml.writeEmptyElement(QLatin1String(kSoap12), QStringLiteral("binding"));
    xml.writeAttribute(QStringLiteral("transport"), QStringLiteral("http://schemas.xmlsoap.org/soap/http"));
    for (const Operations::Operation& op : operations) {
        const QString name = QLatin1String(op.name);
        xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("operation"));
        xml.writeAttribute(QStringLiteral("name"), name);
        xml.writeEmptyElement(QLatin1String(kSoap12), QStringLiteral("operation"));
        xml.writeAttribute(QStringLiteral("soapAction"), namespaceUri + name);
        xml.writeAttribute(QStringLiteral("style"), QStringLiteral("document"));
        for (const char* direction : {"input", "output"}) {
            xml.writeStartElement(QLatin1String(kWsdl), QLatin1String(direction));
            xml.writeEmptyElement(QLatin1String(kSoap12), QStringLiteral("body"));
            xml.writeAttribute(QStringLiteral("use"), QStringLiteral("literal"));
            xml.writeEndElement();
        }
        xml.writeEndElement();
    }
    xml.writeEndElement();

    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("service"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("WSQuorvel"));
    xml.writeStartElement(QLatin1String(kWsdl), QStringLiteral("port"));
    xml.writeAttribute(QStringLiteral("name"), QStringLiteral("WSQuorvelSoap12"));
    xml.writeAttribute(QStringLiteral("binding"), QStringLiteral("tns:WSQuorvelSoap12"));
    xml.writeEmptyElement(QLatin1String(kSoap12), QStringLiteral("address"));
    xml.writeAttribute(QStringLiteral("location"), location);
    xml.writeEndElement();
    xml.writeEndElement();

    xml.writeEndElement();
    xml.writeEndDocument();
    return out;
}

} // namespace Wsdl

} // namespace Demo
