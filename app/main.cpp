// The program: the Qt host draws the dialog model, and the application object runs the main window on it.
#include <QApplication>

#include "app/App.h"
#include "app/program/ProgramCommands.h"
#include "framework/Host.h"
#include "framework/host/qt/QtHost.h"

int main(int argc, char** argv) {
    QApplication application(argc, argv);
    fw::qt::QtHost host;
    fw::InstallHost(&host);
    RegisterProgramCommands();
    theApp.InitInstance();
    fw::InstallHost(nullptr);
    return 0;
}
