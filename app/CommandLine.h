#pragma once

#include <QString>

#include <optional>

class StagingFolder;

// The two options the program answers without opening its window: --version
// (the version, the service it was built for and where it stages answers) and
// --help. Any other argument is left to Qt.
class CommandLine
{
public:
    // After printing the answer, the exit status when the arguments ask for one
    // of the two options; nothing when the program should start its window.
    static std::optional<int> handle(int argc, char* argv[]);

    static QString versionText(const StagingFolder& staging);
    static QString helpText();
};
