// The export files on disk: names, the folder, replacing, failures and the closing messages.

#include "../common/FileSizeLimit.h"
#include "../common/MemoryRows.h"
#include "export/Export.h"
#include "results/AppState.h"
#include "ScriptedPrompter.h"
#include "system/SystemData.h"

#include <QBuffer>
#include <QDir>
#include <QTemporaryDir>
#include <QTest>

#include <optional>
#include <unistd.h>

using namespace vellora;
using namespace vellora::test;

class TestExportFiles : public QObject
{
    Q_OBJECT

private:
    QTemporaryDir m_tmp;
    QDateTime m_now{QDate(2004, 1, 2), QTime(15, 4, 5)};
    SystemData m_system{QStringLiteral("2"), QStringLiteral("Debian"), QString(), QStringLiteral("6.1")};
    MemoryRows m_rows;
    AppState m_state;

    ExportRequest request(ExportKind kind, NameLayout layout = NameLayout::Single) const
    {
        return ExportRequest{m_rows, m_state, m_system, m_now, ExportChoice{kind, layout}};
    }

    static QStringList entries(const QString& folder)
    {
        return QDir(folder).entryList(QDir::AllEntries | QDir::Hidden | QDir::System | QDir::NoDotAndDotDot);
    }

private Q_SLOTS:
    void initTestCase()
    {
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
        m_state.TipoRicerca = Scope::Subfolders;
        m_state.OptS = {1, 1, 1, 1, 1, 1, 1, 0};
    }

    void fileNames_data()
    {
        QTest::addColumn<int>("kind");
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("message");
        QTest::newRow("text") << int(ExportKind::Text) << "Lista_2004-01-02_15-04-05.txt"
                              << "Esportazione in formato Testo terminata: vedi file ";
        QTest::newRow("tab-separated") << int(ExportKind::Tabbed) << "ListaExcel_2004-01-02_15-04-05.txt"
                                       << "Esportazione per Excel terminata: vedi file ";
    }
    // The folder is made when missing; a listed file gone since the scan is written with
    // blank fields and counted in the closing message. A second export in the same second
    // replaces the first whole (a longer one here): the file holds exactly what the memory
    // export holds.
    void fileNames()
    {
        QFETCH(int, kind);
        QFETCH(QString, name);
        QFETCH(QString, message);
        const auto k = ExportKind(kind);
        const QString folder = m_tmp.path() + QStringLiteral("/nuova%1/temp/").arg(kind);
        MemoryRows longer = m_rows;
        longer.add(QStringLiteral("sparito"), QStringLiteral("txt"), m_state.CartellaRicerca);
        const ExportOutcome first = writeExport(
            ExportRequest{longer, m_state, m_system, m_now, ExportChoice{k}}, ExportTarget::folder(folder));
        QVERIFY2(first.ok, qPrintable(first.error));
        QCOMPARE(first.unreadableRows, 1);
        ScriptedPrompter prompter;
        reportOutcome(prompter, k, first);
        QCOMPARE(prompter.messages.at(0).text,
                 message + QStringLiteral("\r\n") + folder + name +
                     QStringLiteral("\r\n1 file non si è potuto leggere: i suoi campi sono vuoti."));
        QCOMPARE(prompter.messages.at(0).icon, Prompter::Icon::None);

        const ExportOutcome outcome =
            writeExport(request(k, NameLayout::Separate), ExportTarget::folder(folder));
        QVERIFY2(outcome.ok, qPrintable(outcome.error));
        QCOMPARE(outcome.filePath, folder + name);
        QCOMPARE(entries(folder), QStringList{name});
        QBuffer memory;
        memory.open(QIODevice::WriteOnly);
        QVERIFY(writeExport(request(k, NameLayout::Separate), ExportTarget::stream(memory)).ok);
        QFile written(outcome.filePath);
        QVERIFY(written.open(QIODevice::ReadOnly));
        QCOMPARE(written.readAll(), memory.data());
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
            QVERIFY(QDir().mkpath(folder + exportFileName(ExportKind::Text, m_now)));
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
        {
            std::optional<FileSizeLimit> limit;
            if (setup == QLatin1String("size-limit"))
                limit.emplace(64);
            outcome = writeExport(request(ExportKind::Text), ExportTarget::folder(folder));
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
