#pragma once

#include "AppContext.h"
#include "MenuDpc.h"
#include "ScriptedMessageBoxes.h"

#include <QTemporaryDir>
#include <QWidget>
#include <memory>

// A main window shown offscreen, talking to the given service and staging its
// answers in a temporary folder, with message boxes answered by the test.
class MainWindowFixture
{
public:
    // With every tab built at once, unless `pagesAtLogIn`: then, as in the
    // program, the tabs behind the log-in are built by it.
    explicit MainWindowFixture(const ServiceConfig& config, bool pagesAtLogIn = false);
    ~MainWindowFixture();

    template <typename T> T* find(const char* name) const
    {
        return window->findChild<T*>(QString::fromLatin1(name));
    }

    // Types the credentials and presses Enter through the form, as an operator
    // does with the keyboard alone. True when the window moved to the drug search.
    bool logIn(const QString& user, const QString& password);

    // Gives the main window back the activation a closed modal window leaves
    // behind (the offscreen platform does not hand it back by itself).
    void activate();

    QString stagingPath(const QString& fileName) const;
    int currentTab() const;

    QTemporaryDir folder;
    ScriptedMessageBoxes boxes;
    std::unique_ptr<AppContext> context;
    std::unique_ptr<MenuDpc> window;
};
