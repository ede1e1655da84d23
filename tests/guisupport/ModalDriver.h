#pragma once

#include <QObject>
#include <QPointer>
#include <QString>
#include <functional>

class QTimer;
class QWidget;

// Acts on the next modal window as soon as it is shown (the test itself is
// blocked in the code that opened it), then stops watching. Given a window
// name, it waits for the modal window of that objectName.
class ModalDriver : public QObject
{
    Q_OBJECT
public:
    explicit ModalDriver(std::function<void(QWidget*)> action, QObject* parent = nullptr);
    ModalDriver(const char* windowName, std::function<void(QWidget*)> action,
                QObject* parent = nullptr);

    bool acted() const { return m_acted; }

private:
    void poll();

    QString m_windowName; // empty: any modal window
    std::function<void(QWidget*)> m_action;
    QTimer* m_timer;
    bool m_acted = false;
};
