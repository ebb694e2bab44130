// The Qt side of the toolkit on a real X display: a message shown during long
// work is never under the progress dialog, and Return closes it.
#include <gtest/gtest.h>

#include <QApplication>
#include <QElapsedTimer>
#include <QMainWindow>
#include <QMessageBox>
#include <QProgressDialog>
#include <QTest>
#include <QTimer>

#include "app/qt_toolkit.h"

namespace tagshelf {
namespace {

// Once the message is up: it is the window on top at its middle; Return closes it.
void answerOnTop(int afterMs, bool& checked) {
    QTimer::singleShot(afterMs, [&checked] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        QApplication::processEvents();
        const QPoint middle = box->mapToGlobal(box->rect().center());
        EXPECT_EQ(QApplication::topLevelAt(middle), box);
        checked = true;
        QTest::keyClick(box, Qt::Key_Return);
    });
}

class ToolkitOnX11 : public ::testing::Test {
  protected:
    ToolkitOnX11() {
        window.resize(800, 600);
        window.show();
        toolkit.setMainWindow(&window, nullptr);
        (void)QTest::qWaitForWindowExposed(&window);
    }
    QMainWindow window;
    QtToolkit toolkit;
};

TEST_F(ToolkitOnX11, AMessageOpenedBeforeTheProgressShowsKeepsItAway) {
    std::unique_ptr<Progress> progress = toolkit.beginProgress("work");
    progress->step(0, 10);  // the first file is being registered
    bool checked = false;
    answerOnTop(1200, checked);  // well past the half second the progress waits
    toolkit.notice("early");
    EXPECT_TRUE(checked);
    progress.reset();
}

TEST_F(ToolkitOnX11, AMessageDuringShownProgressGoesOverIt) {
    std::unique_ptr<Progress> progress = toolkit.beginProgress("work");
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < 800)
        progress->step(t.elapsed(), 1000);
    ASSERT_NE(window.findChild<QProgressDialog*>(), nullptr);
    EXPECT_TRUE(window.findChild<QProgressDialog*>()->isVisible());
    bool checked = false;
    answerOnTop(300, checked);
    toolkit.notice("late");
    EXPECT_TRUE(checked);
}

}  // namespace
}  // namespace tagshelf

int main(int argc, char** argv) {
    QApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
