// The main window on scaled screens (QT_SCALE_FACTOR=2): on one too small for it the window
// shrinks to fit and stays fully on screen, its controls scrolling; on a large one it keeps
// its size. "Risoluzione Monitor" gives the screen's own pixels.

#include "AppTestSupport.h"

#include <QScreen>
#include <QScrollArea>
#include <QScrollBar>

using namespace vellora;
using namespace vellora::testing;

class TestAppScreen : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fitsItsScreen_data();
    void fitsItsScreen();
};

void TestAppScreen::fitsItsScreen_data()
{
    QTest::addColumn<QString>("screen");
    QTest::addColumn<bool>("shrinks");
    QTest::addColumn<QString>("pixels");
    QTest::newRow("1280 x 900 pixels") << "small" << true << MainWindow::screenResolutionText(1280, 900);
    QTest::newRow("4000 x 3000 pixels") << "large" << false << MainWindow::screenResolutionText(4000, 3000);
}

void TestAppScreen::fitsItsScreen()
{
    QFETCH(QString, screen);
    QFETCH(bool, shrinks);
    QScreen* on = nullptr;
    for (QScreen* s : QGuiApplication::screens())
        on = s->name() == screen ? s : on;
    QVERIFY(on && on->devicePixelRatio() == 2);
    Sandbox box;
    auto w = box.window();
    const QSize wanted = w->size();
    w->setScreen(on);
    w->centreOnScreen();
    w->show();
    QVERIFY(QTest::qWaitForWindowExposed(w.get()));
    const QRect room = on->availableGeometry();
    QVERIFY2(room.contains(w->frameGeometry()), qPrintable(QStringLiteral("%1,%2 %3x%4")
                                                               .arg(w->frameGeometry().x())
                                                               .arg(w->frameGeometry().y())
                                                               .arg(w->frameGeometry().width())
                                                               .arg(w->frameGeometry().height())));
    QCOMPARE(w->size() != wanted, shrinks);
    // What does not fit is reached by scrolling.
    auto* scroller = child<QScrollArea>(*w, "centralScroller");
    QCOMPARE(scroller->verticalScrollBar()->maximum() > 0, shrinks);
    QFETCH(QString, pixels);
    QCOMPARE(labelText(*w, "lblRisMonitor"), pixels);
}

int main(int argc, char* argv[])
{
    // Two screens side by side, in device pixels; the window sees each at half its size.
    QTemporaryDir dir;
    const QString config = dir.filePath(QStringLiteral("screens.json"));
    QFile file(config);
    if (!file.open(QIODevice::WriteOnly) || file.write(R"({"screens": [
            {"name": "small", "x": 0, "y": 0, "width": 1280, "height": 900, "logicalDpi": 96, "dpr": 1},
            {"name": "large", "x": 1280, "y": 0, "width": 4000, "height": 3000, "logicalDpi": 96, "dpr": 1}
        ]})") < 0)
        return 1;
    file.close();
    qputenv("QT_QPA_PLATFORM", "offscreen:configfile=" + QFile::encodeName(config));
    qputenv("QT_SCALE_FACTOR", "2");
    QApplication app(argc, argv);
    TestAppScreen test;
    return QTest::qExec(&test, argc, argv);
}

#include "test_app_screen.moc"
