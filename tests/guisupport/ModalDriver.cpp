#include "ModalDriver.h"

#include <QApplication>
#include <QTimer>
#include <QWidget>

ModalDriver::ModalDriver(std::function<void(QWidget*)> action, QObject* parent)
    : QObject(parent), m_action(std::move(action)), m_timer(new QTimer(this))
{
    connect(m_timer, &QTimer::timeout, this, &ModalDriver::poll);
    m_timer->start(10);
}

ModalDriver::ModalDriver(const char* windowName, std::function<void(QWidget*)> action,
                         QObject* parent)
    : ModalDriver(std::move(action), parent)
{
    m_windowName = QString::fromLatin1(windowName);
}

void ModalDriver::poll()
{
    QWidget* modal = QApplication::activeModalWidget();
    if (!modal || !modal->isVisible() ||
        (!m_windowName.isEmpty() && modal->objectName() != m_windowName))
        return;
    m_timer->stop();
    m_acted = true;
    m_action(modal);
}
