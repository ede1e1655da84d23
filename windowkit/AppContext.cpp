#include "AppContext.h"

AppContext::AppContext(ServiceConfig config, StagingFolder staging, MessageBoxes& boxes)
    : m_client(std::move(config)), m_service(m_client, std::move(staging)), m_boxes(boxes)
{
}

bool AppContext::stage(QWidget* parent, const QString& response, const QString& operation,
                       const QString& fileName, bool replaceCommas, const QString& notFoundText)
{
    return staged(parent, m_service.stage(response, operation, fileName, replaceCommas), fileName,
                  notFoundText);
}

bool AppContext::stageUtf8(QWidget* parent, QByteArrayView response, const QString& operation,
                           const QString& fileName, bool replaceCommas, const QString& notFoundText)
{
    return staged(parent, m_service.stageUtf8(response, operation, fileName, replaceCommas),
                  fileName, notFoundText);
}

bool AppContext::staged(QWidget* parent, ServiceCall::Staged result, const QString& fileName,
                        const QString& notFoundText)
{
    switch (result) {
    case ServiceCall::Staged::Found:
        return true;
    case ServiceCall::Staged::NotFound:
        m_boxes.inform(parent, notFoundText);
        return false;
    case ServiceCall::Staged::WriteFailed:
        m_boxes.inform(parent, QStringLiteral("IMPOSSIBILE SCRIVERE IL FILE ") + fileName);
        return false;
    }
    return false;
}
