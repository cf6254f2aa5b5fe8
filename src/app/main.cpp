// Quillory: started from the directory that holds the data files.

#include "MainU.h"
#include "QtPrompts.h"
#include "data/DataStore.h"

#include <QApplication>
#include <QDir>

#include <cstdio>
#include <cstdlib>

int main(int argc, char *argv[])
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("Quillory"));
    QApplication::setApplicationDisplayName(QStringLiteral("Quillory"));
    QApplication::setApplicationVersion(QStringLiteral(QUILLORY_VERSION));

    QtPrompts prompts;
    // A fatal message has been shown: the program ends at once, saving nothing else.
    auto exitProgram = [] { std::exit(1); };
    data::DataStore store(QDir::currentPath(), prompts, exitProgram);
    TMain mainWindow(store, prompts, exitProgram);
    prompts.setParent(&mainWindow);
    // Start-up timing (bench/startup_bench): with QUILLORY_QUIT_WHEN_READY set, the program
    // prints "ready" on standard output once start-up has finished and the main window shows
    // its first section, then closes the main window as "Exit" does. Unset, nothing changes.
    if (qEnvironmentVariableIsSet("QUILLORY_QUIT_WHEN_READY")) {
        QObject::connect(
            &mainWindow, &TMain::startedUp, &mainWindow,
            [&mainWindow] {
                std::fputs("ready\n", stdout);
                std::fflush(stdout);
                mainWindow.close();
            },
            Qt::QueuedConnection);
    }
    mainWindow.show();
    return app.exec();
}
