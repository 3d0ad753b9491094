// The about box: the version it shows and a box that works the same at every opening.

#include "system/Version.h"
#include "ui/AboutDialog.h"

#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace vellora;

class TestAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // Built anew at each opening: the second box must work exactly like the first.
    void everyOpening()
    {
        QCOMPARE(programVersionText(), QStringLiteral(VELLORA_EXPECTED_VERSION));
        for (int opening = 0; opening < 2; ++opening) {
            AboutDialog box;
            QVERIFY(box.isModal());
            auto* version = box.findChild<QLabel*>(QStringLiteral("lblVersion"));
            QVERIFY(version);
            QCOMPARE(version->text(), QStringLiteral("Versione " VELLORA_EXPECTED_VERSION));
            auto* image = box.findChild<QLabel*>(QStringLiteral("Image1"));
            QVERIFY(image && !image->pixmap().isNull());
            // No address until the project has a real one.
            for (const QLabel* label : box.findChildren<QLabel*>())
                QVERIFY2(!label->text().contains(u'.') || label == version, qPrintable(label->text()));
            auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
            QVERIFY(ok);
            box.show();
            ok->click();
            QVERIFY(!box.isVisible());
            QCOMPARE(box.result(), int(QDialog::Accepted));
        }
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
