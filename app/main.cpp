// The program's entry: start-up checks, then the main window and the event loop.
#include <QApplication>
#include <QFont>

#include "app/main_window.h"
#include "app/qt_toolkit.h"
#include "app/startup.h"
#include "catalogue/state.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The grid's font family names a Windows font; IPA P Gothic has its metrics.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));

    tagshelf::QtToolkit toolkit;
    tagshelf::AppState state(toolkit);
    switch (tagshelf::fncStartup(state, tagshelf::currentDirectory())) {
        case tagshelf::StartResult::AlreadyRunning:
            return 0;
        case tagshelf::StartResult::NoDatabaseName:
            return 1;
        case tagshelf::StartResult::Run:
            break;
    }

    tagshelf::MainWindow gfrmMain(state);
    toolkit.setMainWindow(&gfrmMain, gfrmMain.StatusBar1);
    gfrmMain.show();
    return app.exec();
}
