#pragma once

#include <QFunctionPointer>
#include <QString>
#include <QStringList>

// The parts of the program that bring large libraries with them (the network,
// printing, charts) are built as modules and loaded the first time they are
// used, so the first window does not pay for them. A module `name` is the file
// libdpc_<name>.so, loaded from one folder only, chosen by where the program
// itself lies:
// - run from its build tree: that tree's modules/;
// - installed: the folder fixed at configuration, <prefix>/lib/quorvel-dpc
//   for a program in <prefix>/bin (also when the packages were unpacked under
//   another root folder: then under that root);
// - anywhere else: none, so a copy of the program never loads a module planted
//   beside it.
// A module file, and its folder, must belong to root or to the user and be
// writable by no one else.
class OnDemandModule
{
public:
    // The function `symbol` of module `name`, loading the module if needed;
    // null when the module cannot be found, is not to be trusted, or lacks it.
    // A module stays loaded.
    static QFunctionPointer resolve(const QString& name, const char* symbol);

    // Where modules are looked for: one folder, or none.
    static QStringList folders();

    // Why the file at `path` must not be loaded; empty when it may.
    static QString distrust(const QString& path);
};
