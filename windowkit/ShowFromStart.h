#pragma once

#include <QObject>

class QWidget;

// Fields filled by the program show the start of their text. QLineEdit puts the
// cursor, and so the view, at the end of a text set from code: a fixed-width
// value with trailing blanks would then show only blanks in a narrow field.
// A read-only field keeps its start in view as the focus passes through it too:
// Tab selects its whole text with the cursor at the start, not at the end.
class ShowFromStart : public QObject
{
    Q_OBJECT
public:
    // Applies to every line edit inside `root`, now and for its texts to come.
    static void apply(QWidget* root);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    using QObject::QObject;
};
