#pragma once

#include "MessageBoxes.h"

// Shows real modal message boxes.
class QtMessageBoxes : public MessageBoxes
{
public:
    QMessageBox::StandardButton show(QWidget* parent, const MessageRequest& request) override;
};
