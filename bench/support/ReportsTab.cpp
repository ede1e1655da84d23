#include "ReportsTab.h"

#include "DemoServiceProcess.h"

#include <QCoreApplication>
#include <QLineEdit>

namespace {

ServiceConfig loopback(quint16 port)
{
    ServiceConfig config;
    config.endpoint = QUrl(QStringLiteral("https://127.0.0.1:%1/WS/WSQuorvel.asmx").arg(port));
    config.namespaceUri = QStringLiteral("http://tempuri.org/");
    config.extraCaPem = DemoServiceProcess::caPem();
    config.timeoutMs = 120000; // a year's answer in a debug build
    return config;
}

} // namespace

ReportsTab::ReportsTab(quint16 port, const QString& stagingFolder, int year)
    : context(loopback(port), StagingFolder(stagingFolder), boxes), page(context)
{
    context.utenti.Prov.set(u"PA");
    page.resize(809, 470);
    page.show();
    QCoreApplication::processEvents();
    page.Txt_SC_ANNO->setText(QString::number(year));
}
