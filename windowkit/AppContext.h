#pragma once

#include "MenuState.h"
#include "MessageBoxes.h"
#include "ServiceCall.h"
#include "Utenti.h"

class QWidget;

// Everything the windows share: the service, the staging folder, the message
// boxes, the program-wide variables and the main window's variables. Tests
// build their own, pointed at a loopback service and a temporary folder.
class AppContext
{
public:
    AppContext(ServiceConfig config, StagingFolder staging, MessageBoxes& boxes);
    AppContext(const AppContext&) = delete;
    AppContext& operator=(const AppContext&) = delete;

    SoapClient& client() { return m_client; }
    ServiceCall& service() { return m_service; }
    MessageBoxes& boxes() { return m_boxes; }

    // Stages an answer in a file. Not found shows `notFoundText`; a file that
    // cannot be written shows "IMPOSSIBILE SCRIVERE IL FILE <name>" instead.
    // True only when the answer is now in the file.
    bool stage(QWidget* parent, const QString& response, const QString& operation,
               const QString& fileName, bool replaceCommas, const QString& notFoundText);
    // The same for an answer still in UTF-8 (ServiceCall::postUtf8).
    bool stageUtf8(QWidget* parent, QByteArrayView response, const QString& operation,
                   const QString& fileName, bool replaceCommas, const QString& notFoundText);
    // The same messages for a file staged by ServiceCall::postAndStage.
    bool staged(QWidget* parent, ServiceCall::Staged result, const QString& fileName,
                const QString& notFoundText);

    Utenti utenti;
    MenuState menu;

private:
    SoapClient m_client;
    ServiceCall m_service;
    MessageBoxes& m_boxes;
};
