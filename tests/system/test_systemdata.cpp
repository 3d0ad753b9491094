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
        QTest::addColumn<QString>("line"); // before " - Ver. " and the kernel release
        const auto row = [](const char* tag, const QByteArray& osRelease, const char* line) {
            QTest::newRow(tag) << osRelease << QString::fromUtf8(line);
        };
        row("debian",
            "PRETTY_NAME=\"Debian GNU/Linux 12 (bookworm)\"\nNAME=\"Debian GNU/Linux\"\nVERSION_ID=\"12\"\n"
            "VERSION=\"12 (bookworm)\"\nID=debian\n",
            "Debian GNU/Linux - 12 (bookworm)");
        row("no VERSION: one separator", "NAME=\"Arch Linux\"\nID=arch\n", "Arch Linux");
        row("empty VERSION", "NAME=Gentoo\nVERSION=\"\"\n", "Gentoo");
        row("single quotes", "NAME=Fedora\nVERSION='39 (Workstation)'\n", "Fedora - 39 (Workstation)");
        row("escapes", "NAME=\"My \\\"Own\\\" \\$OS \\\\ \\n\"\nVERSION=1\\ beta\n",
            "My \"Own\" $OS \\ \\n - 1 beta");
        row("comments, CRLF, blanks",
            "# NAME=Commented\r\n\r\n  NAME=\"Alpine Linux\"  \r\nVERSION=\"3.19\"\r\n",
            "Alpine Linux - 3.19");
        row("last assignment wins", "NAME=Old\nNAME=New\n", "New");
        row("unterminated quote", "NAME=\"Broken\nVERSION=2\n", "Broken - 2");
        row("control characters", "NAME=\"A\tB\001C\"\n", "A B C");
        row("empty file", QByteArray(), "");
        row("binary junk", QByteArray("\x00\xff\xfe=\x80\n=\n===\n", 11), "");
    }

    void fromOsRelease()
    {
        QFETCH(QByteArray, osRelease);
        QFETCH(QString, line);
        SystemData data;
        LeggiVersioneDa(data, osRelease, QStringLiteral("6.1.0-13\n"));
        QCOMPARE(data.systemLine(), line + QStringLiteral(" - Ver. 6.1.0-13"));
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
