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

    // A control whose text is data (a label or button filled by a look-up):
    // screen readers read the text itself, which the toolkit gives as the
    // accessible name and announces whenever it changes; the purpose goes in
    // the description. A fixed accessible name would hide the text.
    template <typename W>
    static W* placeData(W* widget, const char* objectName, const QString& purpose, int left,
                        int top, int width, int height)
    {
        place(widget, objectName, QString(), left, top, width, height);
        describe(widget, purpose);
        return widget;
    }

    // Leaves the accessible name to the toolkit (a label's or button's text, a
    // window's title) and puts the purpose in the description; for a window
    // whose title is data, such as a patient's name.
    static void describe(QWidget* widget, const QString& purpose)
    {
        widget->setAccessibleName(QString());
        widget->setAccessibleDescription(purpose);
    }

    // Positions on a tab page are given from the top of the tab control, whose
    // row of tabs takes the first 600 twips; the page starts below it.
    static constexpr int tabRowTwips = 600;
};
