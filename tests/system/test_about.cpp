// The about box: its texts at every opening and the version they show.

#include "system/AboutDialog.h"
#include "system/Version.h"

#include <QFrame>
#include <QLabel>
#include <QPushButton>
#include <QTest>

using namespace vellora;

class TestAbout : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void versionIsTheProjects() { QCOMPARE(programVersionText(), QStringLiteral(VELLORA_EXPECTED_VERSION)); }

    // Built anew at each opening: the second box must read exactly like the first.
    void textsAtEveryOpening()
    {
        for (int opening = 0; opening < 2; ++opening) {
            AboutDialog box;
            QCOMPARE(box.objectName(), QStringLiteral("frmAbout"));
            QCOMPARE(box.windowTitle(), QStringLiteral("Informazioni su Vellora File"));
            QVERIFY(box.isModal());
            const auto text = [&box](const char* name) {
                auto* label = box.findChild<QLabel*>(QLatin1String(name));
                return label ? label->text() : QStringLiteral("<missing %1>").arg(QLatin1String(name));
            };
            QCOMPARE(text("lblTitle"), QStringLiteral("Vellora File"));
            QCOMPARE(text("lblVersion"), QStringLiteral("Versione " VELLORA_EXPECTED_VERSION));
            QCOMPARE(text("lblAutore"), QStringLiteral("Vellora File — il team di Vellora"));
            QCOMPARE(text("Label1"), QStringLiteral("https://vellora.example.org"));
            for (const char* name : {"lblTitle", "lblVersion", "lblAutore", "Label1"})
                QCOMPARE(box.findChild<QLabel*>(QLatin1String(name))->font().families().value(0),
                         QStringLiteral("Verdana"));
            auto* image = box.findChild<QLabel*>(QStringLiteral("Image1"));
            QVERIFY(image && !image->pixmap().isNull());
            QVERIFY(box.findChild<QFrame*>(QStringLiteral("Line1")));

            auto* ok = box.findChild<QPushButton*>(QStringLiteral("cmdOK"));
            QVERIFY(ok);
            QCOMPARE(ok->text(), QStringLiteral("OK"));
            box.show();
            QVERIFY(box.isVisible());
            ok->click();
            QVERIFY(!box.isVisible());
            QCOMPARE(box.result(), int(QDialog::Accepted));
        }
    }
};

QTEST_MAIN(TestAbout)
#include "test_about.moc"
