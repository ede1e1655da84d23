#include "XlsxText.h"

#include <QJsonDocument>
#include <QProcess>

QJsonObject XlsxText::read(const QString& path)
{
    QProcess python;
    python.start(QStringLiteral(DPC_SYSTEM_PYTHON), {QStringLiteral(DPC_XLSX_DUMP), path});
    if (!python.waitForFinished(120000) || python.exitCode() != 0) {
        qWarning("openpyxl could not read %s: %s", qPrintable(path),
                 python.readAllStandardError().constData());
        return {};
    }
    return QJsonDocument::fromJson(python.readAllStandardOutput()).object();
}
