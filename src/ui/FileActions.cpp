#include "FileActions.h"

#include "results/ColumnProfileEditor.h"
#include "results/ResultTable.h"
#include "system/FileOps.h"
#include "system/Prompter.h"
#include "ui/AppLog.h"

#include <QFile>
#include <QThread>

namespace vellora {

namespace {

const QString kConferma = QStringLiteral("Cancellare il file");
const QString kNuovoNome = QStringLiteral("Inserisci il nuovo nome del file");
const QString kRinomina = QStringLiteral("Rinomina File ");
const QString kGiaPresente = QStringLiteral("È già presente un file con questo nome !");

// Only blanks, as the prompt's answer was always trimmed: a tab typed on purpose stays.
QString trimBlanks(const QString& s)
{
    qsizetype from = 0;
    qsizetype to = s.size();
    while (from < to && s[from] == u' ')
        ++from;
    while (to > from && s[to - 1] == u' ')
        --to;
    return s.mid(from, to - from);
}

// Shows the hourglass for the lifetime of the scope, or until release().
class BusyScope
{
public:
    explicit BusyScope(FileActions::Host& host) : m_host(host) { m_host.setBusy(true); }
    ~BusyScope() { release(); }
    BusyScope(const BusyScope&) = delete;
    BusyScope& operator=(const BusyScope&) = delete;
    void release()
    {
        if (m_on)
            m_host.setBusy(false);
        m_on = false;
    }

private:
    FileActions::Host& m_host;
    bool m_on = true;
};

} // namespace

FileActions::FileActions(ResultTable& table, Prompter& prompter, Host& host)
    : m_table(table), m_prompter(prompter), m_host(host),
      m_trash([](const QByteArray& path, QString* error) { return EliminaFile(path, error); })
{
}

QString FileActions::nameText(qsizetype row) const
{
    return m_table.text(row, ColName) + u'.' + m_table.text(row, ColExt);
}

QString FileActions::rowPathText(qsizetype row) const
{
    return m_table.text(row, ColFolder) + nameText(row);
}

bool FileActions::rowUsable(qsizetype row) const
{
    // The counter is what every reader trusts for the number of rows; a row beyond it, or
    // one that a clear or an interrupted fill left empty, names no file.
    const qsizetype counted = parseFileCounter(m_host.fileCounterText());
    return row >= 1 && row <= m_table.rowCount() && row <= counted && m_table.isRowFilled(row);
}

bool FileActions::deleteRow(qsizetype row)
{
    if (!rowUsable(row))
        return false;
    const QString name = nameText(row);
    const QString shownPath = rowPathText(row);
    const QByteArray path = m_table.rowPath(row);

    if (m_delay.count() > 0)
        QThread::msleep(static_cast<unsigned long>(m_delay.count()));
    if (!EsisteFile(path))
        return false;
    if (m_prompter.message(kConferma + QStringLiteral("\r\n") + shownPath, name, Prompter::Icon::Question,
                           Prompter::Buttons::YesNo) != Prompter::Answer::Yes)
        return false;

    BusyScope busy(m_host);
    // The file goes first: a row must not vanish while its file stays where it was.
    QString cause;
    if (!m_trash(path, &cause)) {
        busy.release();
        qCWarning(lcApp) << "not moved to the trash:" << path << cause;
        m_prompter.message(
            QStringLiteral("Impossibile spostare il file nel cestino:\r\n%1\r\n%2").arg(shownPath, cause),
            QString(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
        return false;
    }

    if (m_table.rowCount() >= 2) {
        m_table.removeRow(row);
    } else {
        m_table.clearAllCells();
        m_host.setRimuoviEnabled(false);
    }
    const qsizetype counted = parseFileCounter(m_host.fileCounterText());
    m_host.setFileCounterText(QString::number(counted > 0 ? counted - 1 : 0));
    m_host.reorderAndNumber();
    return true;
}

FileActions::NewName FileActions::newNameFromAnswer(const QString& trimmedAnswer)
{
    NewName result;
    QString name = trimmedAnswer;
    if (name.contains(u'/')) {
        result.refusal = QStringLiteral("Il nome non può contenere il carattere \"/\": "
                                        "scrivere solo il nome del file, senza cartella.");
        return result;
    }
    if (name.contains(QChar(0))) {
        result.refusal = QStringLiteral("Il nome contiene un carattere non valido.");
        return result;
    }
    if (name.endsWith(u'.'))
        name.chop(1);
    if (name.isEmpty() || name == QStringLiteral(".") || name == QStringLiteral("..")) {
        result.refusal = QStringLiteral("\"%1\" non è un nome di file valido.").arg(trimmedAnswer);
        return result;
    }
    result.bytes = QFile::encodeName(name);
    return result;
}

bool FileActions::renameRow(qsizetype row)
{
    if (!rowUsable(row))
        return false;
    const QString name = nameText(row);
    const QByteArray oldName = m_table.nameBytes(row);
    const QByteArray folder = m_table.folderBytes(row);
    const QByteArray oldPath = folder + oldName;
    if (!EsisteFile(oldPath))
        return false;

    NewName chosen;
    for (;;) {
        const std::optional<QString> answer = m_prompter.input(kNuovoNome, kRinomina, name);
        const QString trimmed = answer ? trimBlanks(*answer) : QString();
        if (trimmed.isEmpty())
            return false;
        if (trimmed == trimBlanks(name)) {
            // The name as offered: the file keeps its own bytes, which the text only
            // approximates for a name that is not UTF-8 or that ends in ".".
            chosen = NewName{oldName, QString()};
        } else {
            chosen = newNameFromAnswer(trimmed);
        }
        if (!chosen.refusal.isEmpty()) {
            m_prompter.message(chosen.refusal, QString(), Prompter::Icon::Information, Prompter::Buttons::Ok);
            continue;
        }
        const QByteArray newPath = folder + chosen.bytes;
        const bool otherName =
            QString::fromUtf8(chosen.bytes).toUpper() != QString::fromUtf8(oldName).toUpper();
        if (otherName && EsisteFile(newPath)) {
            m_prompter.message(kGiaPresente, QString(), Prompter::Icon::Information, Prompter::Buttons::Ok);
            continue;
        }

        BusyScope busy(m_host);
        QString cause;
        const RenameResult result = renameNoReplace(oldPath, newPath, &cause);
        if (result == RenameResult::Renamed)
            break;
        busy.release();
        if (result == RenameResult::TargetExists) {
            // Another file took the name meanwhile, or differs from the old one only in case.
            m_prompter.message(kGiaPresente, QString(), Prompter::Icon::Information, Prompter::Buttons::Ok);
            continue;
        }
        m_prompter.message(
            QStringLiteral("Impossibile rinominare il file:\r\n%1\r\n%2").arg(rowPathText(row), cause),
            QString(), Prompter::Icon::Warning, Prompter::Buttons::Ok);
        return false;
    }

    BusyScope busy(m_host);
    m_table.setName(row, chosen.bytes);
    m_host.reorderAndNumber();
    // After the new order the row may hold another file; the view stands on it anyway.
    m_table.requestViewPosition({row, row, ColName, ColFolder});
    return true;
}

} // namespace vellora
