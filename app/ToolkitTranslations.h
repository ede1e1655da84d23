#pragma once

#include <QLocale>

// The toolkit's own texts (the buttons of question boxes, the context menu of
// text fields) in the workstation's language. The program's own texts are
// Italian already and do not go through translation.
class ToolkitTranslations
{
public:
    // Loads the toolkit's catalogue for `locale` from the toolkit's translations
    // folder into the running application. False when there is none for that
    // language (English, or the translations package missing): the toolkit then
    // keeps its built-in English texts.
    static bool install(const QLocale& locale = QLocale::system());
};
