// Quillory: started from the directory that holds the data files.

#include "MainU.h"
#include "QtPrompts.h"
#include "data/DataStore.h"

#include <QApplication>
#include <QDir>

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
    mainWindow.show();
    return app.exec();
}
