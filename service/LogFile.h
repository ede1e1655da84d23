#pragma once

#include <QString>
#include <QtGlobal>

// The file sink of the diagnostic log. Debug and info messages of the dpc.*
// categories go to the file, one line each, in the default handler's form
// ("category: message"); everything else (warnings included, which reach the
// system journal through stderr) goes on to the handler installed before.
// When a line would take the file past its limit, the file becomes FILE.1
// (replacing the one before) and a new FILE begins: at most twice the limit
// on disk, so the log can be left on. When FILE cannot be moved, it is
// emptied instead; when it cannot be opened again, lines are dropped and the
// file is tried again after `retryMs`. Each such failure warns once.
//
// The log says who used the service and when: the file is created readable by
// its owner only, a symbolic link in its place is refused (it could point the
// program at any file the operator can write), so is a hard link (a file with
// more than one name, which would otherwise be written and narrowed to 0600),
// and so is a file of another user.
class LogFile
{
public:
    static constexpr qint64 DefaultLimit = 5 * 1024 * 1024;
    static constexpr int DefaultRetryMs = 60 * 1000;

    // Appends to `path`. False, with nothing changed and the reason in
    // `error`, when it cannot be opened. The file is closed and the handler
    // removed when the application object is destroyed, before the program's
    // statics are.
    static bool start(const QString& path, qint64 limit = DefaultLimit, QString* error = nullptr,
                      int retryMs = DefaultRetryMs);
    // Closes the file and puts the previous handler back.
    static void stop();
    static bool running();
};
