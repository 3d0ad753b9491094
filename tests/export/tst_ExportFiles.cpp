// The export files on disk: names, the folder, replacing, failures and the closing messages.

#include "../common/MemoryRows.h"
#include "export/Exporter.h"
#include "results/AppState.h"
#include "system/ScriptedPrompter.h"
#include "system/SystemData.h"

#include <QBuffer>
#include <QDir>
#include <QLocale>
#include <QTemporaryDir>
#include <QTest>

#include <csignal>
#include <sys/resource.h>
#include <unistd.h>

using namespace vellora;
using namespace vellora::test;

class TestExportFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    QDateTime m_now{QDate(2004, 5, 12), QTime(14, 30, 59)};
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian"), QString(), QStringLiteral("6.1")};
    MemoryRows m_rows;
    AppState m_state;

    ExportRequest request(const QString& folder, NameLayout layout = NameLayout::Single) const
    {
        return ExportRequest{m_rows, m_state, m_system, m_now, folder, layout};
    }

    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QLocale::setDefault(QLocale::c());
        QVERIFY(m_tmp.isValid());
        const QString data = m_tmp.path() + QStringLiteral("/dati/");
        QVERIFY(QDir().mkpath(data));
        for (const char* name : {"uno.txt", "due.bin"}) {
            QFile f(data + QLatin1String(name));
            QVERIFY(f.open(QIODevice::WriteOnly) && f.write("contenuto") == 9);
        }
        m_rows.add(QStringLiteral("uno"), QStringLiteral("txt"), data);
        m_rows.add(QStringLiteral("due"), QStringLiteral("bin"), data);
        m_state.CartellaRicerca = data;
        m_state.TipoRicerca = 1;
        m_state.OptS = {1, 1, 1, 1, 1, 1, 1, 0};
    }

    void fileNames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::newRow("text") << int(ExportKind::Text) << "Lista_2004-05-12_14-30-59.txt";
        QTest::newRow("tab-separated") << int(ExportKind::Tabbed) << "ListaExcel_2004-05-12_14-30-59.txt";
    }
    // The folder is made when missing, the file holds exactly what the memory export holds
    // and nothing else is left beside it.
    void fileNames()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        const auto k = ExportKind(kind);
        QCOMPARE(defaultExportFileName(k, m_now), name);
        QCOMPARE(
            defaultExportFileName(k, QDateTime(QDate(2024, 1, 2), QTime(3, 4, 5))).mid(name.indexOf('_')),
            QStringLiteral("_2024-01-02_03-04-05.txt"));

        const QString folder = m_tmp.path() + QStringLiteral("/nuova/temp/");
        QDir(m_tmp.path() + QStringLiteral("/nuova")).removeRecursively();
        const ExportOutcome outcome = exportToFile(k, request(folder));
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(outcome.filePath, folder + name);
        QCOMPARE(outcome.stats.rows, 2);
        QCOMPARE(entries(folder), QStringList{name});

        QBuffer memory;
        memory.open(QIODevice::WriteOnly);
        QVERIFY(exportTo(memory, k, request(folder)));
        QFile written(outcome.filePath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), memory.data());
    }

    // Two exports in one second share the name: the second one replaces the first whole.
    void sameSecondReplaces()
    {
        const QString folder = m_tmp.path() + QStringLiteral("/stesso/");
        QVERIFY(exportToFile(ExportKind::Tabbed, request(folder, NameLayout::Single)).ok);
        const ExportOutcome second = exportToFile(ExportKind::Tabbed, request(folder, NameLayout::Separate));
        QVERIFY(second.ok);
        QCOMPARE(entries(folder).size(), 1);
        QFile f(second.filePath);
        QVERIFY(f.open(QIODevice::ReadOnly));
        QVERIFY(f.readAll().startsWith("uno\ttxt\t9\t"));
    }

    // A listed file gone since the scan is written with blank fields, and the closing
    // message says how many there were.
    void closingMessageCountsUnreadable()
    {
        MemoryRows rows = m_rows;
        rows.add(QStringLiteral("sparito"), QStringLiteral("txt"), m_rows.rows[0].folder);
        const ExportRequest r{
            rows, m_state, m_system, m_now, m_tmp.path() + QStringLiteral("/chiusura/"), NameLayout::Single};
        const ExportOutcome outcome = exportToFile(ExportKind::Text, r);
        QVERIFY(outcome.ok);
        QCOMPARE(outcome.stats.unreadableRows, 1);
        ScriptedPrompter prompter;
        reportOutcome(prompter, ExportKind::Text, outcome);
        QCOMPARE(prompter.messages.at(0).text,
                 completionMessage(ExportKind::Text, outcome.filePath) +
                     QStringLiteral("\r\n1 file non si è potuto leggere: i suoi campi sono vuoti."));
    }

    void failures_data()
    {
        QTest::addColumn<QString>("setup");
        QTest::addColumn<QString>("messageStart");
        QTest::addColumn<QString>("cause");
        QTest::newRow("folder under a regular file") << "file-parent"
                                                     << "Impossibile creare la cartella "
                                                     << "una parte del percorso non è una cartella";
        QTest::newRow("final name taken by a folder") << "dir-target"
                                                      << "Impossibile scrivere il file "
                                                      << "esiste già una cartella con lo stesso nome";
        QTest::newRow("folder without write permission") << "read-only"
                                                         << "Impossibile scrivere il file "
                                                         << "permesso negato";
        // Stands in for a full disk: the whole of a small export is still buffered when
        // the file is committed.
        QTest::newRow("write refused at the end") << "size-limit"
                                                  << "Impossibile scrivere il file "
                                                  << "file troppo grande per il disco";
    }
    // Every failure names the file or folder and its cause, and leaves nothing behind.
    void failures()
    {
        QFETCH(QString, setup);
        QFETCH(QString, messageStart);
        QFETCH(QString, cause);
        const QString base = m_tmp.path() + QLatin1Char('/') + setup;
        QString folder = base + QStringLiteral("/temp/");
        QVERIFY(QDir().mkpath(base));
        if (setup == QLatin1String("file-parent")) {
            QFile blocker(base + QStringLiteral("/temp"));
            QVERIFY(blocker.open(QIODevice::WriteOnly));
            folder = base + QStringLiteral("/temp/sotto/");
        } else if (setup == QLatin1String("dir-target")) {
            QVERIFY(QDir().mkpath(folder + defaultExportFileName(ExportKind::Text, m_now)));
        } else if (setup == QLatin1String("size-limit")) {
            QVERIFY(QDir().mkpath(folder));
        } else {
            // root writes anywhere: /proc refuses new files to everybody.
            if (::geteuid() == 0) {
                folder = QStringLiteral("/proc/self/");
            } else {
                QVERIFY(QDir().mkpath(folder));
                QVERIFY(QFile::setPermissions(folder, QFileDevice::ReadOwner | QFileDevice::ExeOwner));
            }
        }
        const QStringList before = QDir(folder).exists() ? entries(folder) : QStringList();
        ExportOutcome outcome;
        if (setup == QLatin1String("size-limit")) {
            rlimit saved{};
            QCOMPARE(::getrlimit(RLIMIT_FSIZE, &saved), 0);
            const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
            rlimit small = saved;
            small.rlim_cur = 64;
            QCOMPARE(::setrlimit(RLIMIT_FSIZE, &small), 0);
            outcome = exportToFile(ExportKind::Text, request(folder));
            ::setrlimit(RLIMIT_FSIZE, &saved);
            std::signal(SIGXFSZ, oldHandler);
        } else {
            outcome = exportToFile(ExportKind::Text, request(folder));
        }
        QVERIFY(!outcome.ok);
        QVERIFY2(outcome.error.startsWith(messageStart), qPrintable(outcome.error));
        if (setup != QLatin1String("read-only") || ::geteuid() != 0) // /proc gives its own cause
            QVERIFY2(outcome.error.endsWith(QStringLiteral(": ") + cause), qPrintable(outcome.error));
        QVERIFY(outcome.error.contains(setup == QLatin1String("file-parent") ? folder : outcome.filePath));
        if (!folder.startsWith(QLatin1String("/proc/"))) {
            if (QDir(folder).exists())
                QCOMPARE(entries(folder), before);
            QFile::setPermissions(folder,
                                  QFileDevice::ReadOwner | QFileDevice::WriteOwner | QFileDevice::ExeOwner);
        }

        ScriptedPrompter prompter;
        reportOutcome(prompter, ExportKind::Text, outcome);
        QCOMPARE(prompter.messages.size(), 1u);
        QCOMPARE(prompter.messages[0].text, outcome.error);
        QCOMPARE(prompter.messages[0].icon, Prompter::Icon::Critical);
    }
};

QTEST_GUILESS_MAIN(TestExportFiles)
#include "tst_ExportFiles.moc"
