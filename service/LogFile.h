#pragma once

#include <QString>
#include <QtGlobal>

// The file sink of the diagnostic log. Debug and info messages of the dpc.*
// categories go to the file, one line each, in the default handler's form
// ("category: message"); everything else (warnings included, which reach the
// system journal through stderr) goes on to the handler installed before.
// When a line would take the file past its limit, the file becomes FILE.1
// (replacing the one before) and a new FILE begins: at most twice the limit
// on disk, so the log can be left on.
class LogFile
{
public:
    static constexpr qint64 DefaultLimit = 5 * 1024 * 1024;

    // Appends to `path`. False, with nothing changed, when it cannot be opened.
    static bool start(const QString& path, qint64 limit = DefaultLimit);
    // Closes the file and puts the previous handler back.
    static void stop();
    static bool running();
};
