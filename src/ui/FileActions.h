#pragma once
// Delete and rename of the file of one table row. Plain logic over the result table and
// the prompter; the window supplies the few controls the actions touch through Host.

#include <chrono>
#include <functional>
#include <QByteArray>
#include <QString>

namespace vellora {

class Prompter;
class ResultTable;

class FileActions
{
public:
    // What the actions need of the window.
    class Host
    {
    public:
        virtual ~Host() = default;
        [[nodiscard]] virtual QString fileCounterText() const = 0; // lblTotFile
        virtual void setFileCounterText(const QString& text) = 0;
        virtual void setRimuoviEnabled(bool enabled) = 0; // cmdRimuovi
        virtual void reorderAndNumber() = 0;              // OrdinaGriglia, NumeraGriglia
        virtual void setBusy(bool busy) = 0;              // hourglass
    };

    using TrashFn = std::function<bool(const QByteArray& path, QString* errorText)>;

    FileActions(ResultTable& table, Prompter& prompter, Host& host);

    // Tests replace the trash and skip the pause before the delete.
    void setTrashFunction(TrashFn fn) { m_trash = std::move(fn); }
    void setDeleteDelay(std::chrono::milliseconds delay) { m_delay = delay; }

    // The row's texts as the user sees them: base name, ".", extension ("Makefile." for a
    // file without extension), and the folder text in front of it.
    [[nodiscard]] QString nameText(qsizetype row) const;
    [[nodiscard]] QString rowPathText(qsizetype row) const;

    // cmdRimuovi pressed with row current. Returns true when the file went to the trash.
    bool deleteRow(qsizetype row);
    // Double click on row. Returns true when the file was renamed.
    bool renameRow(qsizetype row);

    // What an answer to the rename prompt names: the new name bytes, or an empty array and
    // the reason when the answer cannot be a file name of the row's folder. A trailing "."
    // goes, as for the name texts shown ("Makefile." is the file "Makefile").
    struct NewName
    {
        QByteArray bytes;
        QString refusal;
    };
    [[nodiscard]] static NewName newNameFromAnswer(const QString& trimmedAnswer);

    // Whether row names a file: counted by lblTotFile and filled (not left empty by a clear
    // or an interrupted fill).
    [[nodiscard]] bool rowUsable(qsizetype row) const;

private:
    ResultTable& m_table;
    Prompter& m_prompter;
    Host& m_host;
    TrashFn m_trash;
    std::chrono::milliseconds m_delay{150};
};

} // namespace vellora
