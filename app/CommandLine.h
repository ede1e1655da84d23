#pragma once

#include <QString>

#include <optional>

class StagingFolder;

// The program's own options: --version (the version, the service it was built
// for and where it stages answers) and --help, answered without opening the
// window, and --log FILE, which turns the diagnostic log on. Any other
// argument is left to Qt.
class CommandLine
{
public:
    // After printing the answer, the exit status when the arguments ask for
    // --version or --help, or are wrong (--log without a file); nothing when
    // the program should start its window.
    static std::optional<int> handle(int argc, char* argv[]);

    // The FILE of --log FILE (or --log=FILE); nothing without the option.
    static std::optional<QString> logFile(int argc, char* argv[]);
    // Sends the dpc.* categories to `path` and turns them on (rules of
    // QT_LOGGING_RULES and qtlogging.ini still take precedence). False, after
    // one message on stderr, when the file cannot be opened: the program then
    // runs without it.
    static bool startLog(const QString& path);

    static QString versionText(const StagingFolder& staging);
    static QString helpText();
};
