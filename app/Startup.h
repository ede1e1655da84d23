#pragma once

#include "SingleInstance.h"

class MessageBoxes;

// The first step of start-up: a second running copy is refused with a message.
class Startup
{
public:
    Startup(MessageBoxes& boxes, const QString& lockPath = SingleInstance::defaultLockPath());

    // False (after the message) when another instance is running: the caller ends.
    bool begin();

    static QString versionTitle(); // "D.P.C. Ver.2.2"
    static QString versionLabel(); // "Ver.  2.2.0"

private:
    MessageBoxes& m_boxes;
    SingleInstance m_instance;
};
