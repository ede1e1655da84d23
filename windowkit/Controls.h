#pragma once

#include "Twips.h"

#include <QString>
#include <QWidget>

// Names a control for code, tests and screen readers, and places it by twips.
class Controls
{
public:
    template <typename W>
    static W* name(W* widget, const char* objectName, const QString& accessible)
    {
        widget->setObjectName(QString::fromLatin1(objectName));
        widget->setAccessibleName(accessible);
        return widget;
    }

    template <typename W>
    static W* place(W* widget, const char* objectName, const QString& accessible, int left, int top,
                    int width, int height)
    {
        name(widget, objectName, accessible);
        widget->setGeometry(Twips::rect(left, top, width, height));
        return widget;
    }

    // Positions on a tab page are given from the top of the tab control, whose
    // row of tabs takes the first 600 twips; the page starts below it.
    static constexpr int tabRowTwips = 600;
};
