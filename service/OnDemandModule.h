#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

// The parts of the program that bring large libraries with them (the network,
// printing, charts) are built as modules and loaded the first time they are
// used, so the first window does not pay for them. A module `name` is the file
// libdpc_<name>.so, looked for beside the installed program and then in the
// build tree.
class OnDemandModule
{
public:
    // The function `symbol` of module `name`, loading the module if needed;
    // null when the module cannot be found or lacks it. A module stays loaded.
    static QFunctionPointer resolve(const QString& name, const char* symbol);

    // Where modules are looked for, in order.
    static QStringList folders();
};
