// The program's entry: start-up checks, then the main window and the event loop.
#include <QApplication>
#include <QFont>

#include "app/main_window.h"
#include "app/qt_toolkit.h"
#include "catalogue/catalogue.h"
#include "catalogue/startup.h"

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    // The grid's font family names a Windows font; IPA P Gothic has its metrics.
    QFont::insertSubstitution(QStringLiteral("ＭＳ Ｐゴシック"), QStringLiteral("IPAPGothic"));
    tagshelf::installJapaneseQtTexts();

    tagshelf::QtToolkit toolkit;
    tagshelf::Catalogue catalogue(toolkit);
    switch (tagshelf::fncStartup(catalogue, tagshelf::currentDirectory())) {
        case tagshelf::StartResult::AlreadyRunning:
            return 0;
        case tagshelf::StartResult::NoDatabaseName:
        case tagshelf::StartResult::NotACatalogue:
            return 1;
        case tagshelf::StartResult::Run:
            break;
    }

    tagshelf::MainWindow gfrmMain(catalogue);
    toolkit.setMainWindow(&gfrmMain, gfrmMain.StatusBar1);
    gfrmMain.show();
    return app.exec();
}
