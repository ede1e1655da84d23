#include "SoapEnvelope.h"

#include <QTest>
#include <QXmlStreamReader>

namespace {
const QString ns = QStringLiteral("http://tempuri.org/");
const QString head =
    QStringLiteral("<?xml version='1.0' encoding='utf-8'?>"
                   "<soap12:Envelope xmlns:xsi='http://www.w3.org/2001/XMLSchema-instance'"
                   " xmlns:xsd='http://www.w3.org/2001/XMLSchema'"
                   " xmlns:soap12='http://www.w3.org/2003/05/soap-envelope'><soap12:Body>");
const QString tail = QStringLiteral("</soap12:Body></soap12:Envelope>");

// The text of the first element called `name`, as an XML parser reads it.
QString parsedChild(const QString& envelope, const QString& name, QString* bodyNamespace)
{
    QXmlStreamReader xml(envelope);
    QString value;
    bool found = false;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"LoginUser")
            *bodyNamespace = xml.namespaceUri().toString();
        if (!found && xml.name() == name) {
            value = xml.readElementText();
            found = true;
        }
    }
    if (xml.hasError())
        return QStringLiteral("<parse error: %1>").arg(xml.errorString());
    return value;
}
} // namespace

class TestEnvelope : public QObject
{
    Q_OBJECT
private slots:
    void operationsAreByteExact_data()
    {
        QTest::addColumn<QString>("operation");
        QTest::addColumn<SoapChildren>("children");
        QTest::addColumn<QString>("body");

        QTest::newRow("login") << "LoginUser"
                               << SoapChildren{{"utente", "mrossi"}, {"password", "segreta"}}
                               << "<LoginUser xmlns='http://tempuri.org/'><utente>mrossi</utente>"
                                  "<password>segreta</password></LoginUser>";
        QTest::newRow("error table")
            << "LoadTabErrori" << SoapChildren{{"prov", "XX"}, {"da", "1"}, {"a", "99999"}}
            << "<LoadTabErrori xmlns='http://tempuri.org/'><prov>XX</prov><da>1</da>"
               "<a>99999</a></LoadTabErrori>";
        QTest::newRow("empty values kept as a tag pair")
            << "F_LoadErroreByAnnoMese"
            << SoapChildren{{"prov", "XX"},
                            {"flusso", "2"},
                            {"anno", "2024"},
                            {"mese", ""},
                            {"farmacia", ""}}
            << "<F_LoadErroreByAnnoMese xmlns='http://tempuri.org/'><prov>XX</prov>"
               "<flusso>2</flusso><anno>2024</anno><mese></mese><farmacia></farmacia>"
               "</F_LoadErroreByAnnoMese>";
    }
    void operationsAreByteExact()
    {
        QFETCH(QString, operation);
        QFETCH(SoapChildren, children);
        QFETCH(QString, body);
        QCOMPARE(SoapEnvelope::build(ns, operation, children), head + body + tail);
        QCOMPARE(SoapEnvelope::soapAction(ns, operation), ns + operation);
    }

    // Markup characters are escaped, and a parser hands the service back
    // exactly the text the operator typed.
    void valuesReachTheServiceUnchanged_data()
    {
        QTest::addColumn<QString>("typed");
        QTest::addColumn<QString>("written");
        QTest::newRow("ampersand") << "R&D"
                                   << "R&amp;D";
        QTest::newRow("angle brackets") << "a<b>c"
                                        << "a&lt;b&gt;c";
        QTest::newRow("injected element") << "x</password><admin>1</admin>"
                                          << "x&lt;/password&gt;&lt;admin&gt;1&lt;/admin&gt;";
        QTest::newRow("entity text") << "&amp;"
                                     << "&amp;amp;";
        QTest::newRow("accents and quotes") << "Nicolò d'Aragona \"N\""
                                            << "Nicolò d'Aragona \"N\"";
    }
    void valuesReachTheServiceUnchanged()
    {
        QFETCH(QString, typed);
        QFETCH(QString, written);
        const QString envelope =
            SoapEnvelope::build(ns, "LoginUser", {{"utente", "mrossi"}, {"password", typed}});
        QVERIFY(envelope.contains("<password>" + written + "</password>"));
        QString bodyNamespace;
        QCOMPARE(parsedChild(envelope, "password", &bodyNamespace), typed);
        QCOMPARE(parsedChild(envelope, "utente", &bodyNamespace), QStringLiteral("mrossi"));
        QCOMPARE(bodyNamespace, ns);
    }
};

QTEST_GUILESS_MAIN(TestEnvelope)
#include "test_envelope.moc"
