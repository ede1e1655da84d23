#pragma once

class QWidget;

// Fields filled by the program show the start of their text. QLineEdit puts the
// cursor, and so the view, at the end of a text set from code: a fixed-width
// value with trailing blanks would then show only blanks in a narrow field.
class ShowFromStart
{
public:
    // Applies to every line edit inside `root`, now and for its texts to come.
    static void apply(QWidget* root);
};
