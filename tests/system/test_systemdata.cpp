// The system line of report headers, from os-release files as distributions write them
// and as they should not.

#include "system/SystemData.h"

#include <QSysInfo>
#include <QTest>

using namespace vellora;

class TestSystemData : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void fromOsRelease_data()
    {
        QTest::addColumn<QByteArray>("osRelease");
        QTest::addColumn<QString>("line"); // with kernel release "6.1.0-13"

        QTest::newRow("debian") << QByteArray("PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\n"
                                              "NAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
                                              "VERSION=\"12 (bookworm)\"\nID=debian\n")
                                << "Debian GNU/Linux - 12 (bookworm) - Ver. 6.1.0-13";
        QTest::newRow("no VERSION: one separator")
            << QByteArray("NAME=\"Arch Linux\"\nID=arch\n") << "Arch Linux - Ver. 6.1.0-13";
        QTest::newRow("empty VERSION")
            << QByteArray("NAME=Gentoo\nVERSION=\"\"\n") << "Gentoo - Ver. 6.1.0-13";
        QTest::newRow("single quotes") << QByteArray("NAME=Fedora\nVERSION='39 (Workstation)'\n")
                                       << "Fedora - 39 (Workstation) - Ver. 6.1.0-13";
        QTest::newRow("escapes") << QByteArray("NAME=\"My \\\"Own\\\" \\$OS \\\\ \\n\"\nVERSION=1\\ beta\n")
                                 << "My \"Own\" $OS \\ \\n - 1 beta - Ver. 6.1.0-13";
        QTest::newRow("comments, CRLF, blanks")
            << QByteArray("# NAME=Commented\r\n\r\n  NAME=\"Alpine Linux\"  \r\nVERSION=\"3.19\"\r\n")
            << "Alpine Linux - 3.19 - Ver. 6.1.0-13";
        QTest::newRow("last assignment wins") << QByteArray("NAME=Old\nNAME=New\n") << "New - Ver. 6.1.0-13";
        QTest::newRow("unterminated quote")
            << QByteArray("NAME=\"Broken\nVERSION=2\n") << "Broken - 2 - Ver. 6.1.0-13";
        QTest::newRow("control characters") << QByteArray("NAME=\"A\tB\x01"
                                                          "C\"\n")
                                            << "A B C - Ver. 6.1.0-13";
        QTest::newRow("empty file") << QByteArray() << " - Ver. 6.1.0-13";
        QTest::newRow("binary junk") << QByteArray("\x00\xff\xfe=\x80\n=\n===\n", 11) << " - Ver. 6.1.0-13";
    }

    void fromOsRelease()
    {
        QFETCH(QByteArray, osRelease);
        QFETCH(QString, line);
        SystemData data;
        LeggiVersioneDa(data, osRelease, QStringLiteral("6.1.0-13\n"));
        QCOMPARE(data.systemLine(), line);
    }

    void thisMachine()
    {
        SystemData data;
        LeggiPiattaforma(data);
        LeggiVersioneWindows(data);
        QCOMPARE(data.WinVersione, QSysInfo::kernelVersion());
        QVERIFY(!data.WinVersione.isEmpty());
        QVERIFY(!data.systemLine().contains(u'\n'));
    }

    // A platform text of no known family leaves the texts empty; the line is still formed.
    void unknownFamily()
    {
        SystemData data;
        data.WinPiattaforma = QStringLiteral("0");
        LeggiVersioneWindows(data);
        QCOMPARE(data.systemLine(), QStringLiteral(" - Ver. "));
    }
};

QTEST_GUILESS_MAIN(TestSystemData)
#include "test_systemdata.moc"
