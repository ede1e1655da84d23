#pragma once

#include "MessageBoxes.h"

#include <cstdio>

// Message boxes of a benchmark: never shown; any that would open is printed,
// since a benchmark run should open none.
class SilentBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget*, const MessageRequest& request) override
    {
        std::printf("unexpected message: %s\n", qPrintable(request.text));
        return QMessageBox::Ok;
    }
};
