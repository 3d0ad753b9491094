#include "ColumnProfileEditor.h"

#include <numeric>
#include <QLoggingCategory>

namespace vellora {

namespace {

Q_LOGGING_CATEGORY(lcColumns, "vellora.results.columns")

bool isAllOff(const ColumnProfile& p)
{
    return std::accumulate(p.begin(), p.end(), 0) == 0;
}

} // namespace

void applyProfileDefaults(AppState& state)
{
    if (isAllOff(state.OptS))
        state.OptS = kDefaultOptS;
    if (isAllOff(state.OptV))
        state.OptV = kDefaultOptV;
}

qsizetype parseFileCounter(const QString& text)
{
    QString digits;
    for (const QChar c : text.trimmed()) {
        if (c.isDigit())
            digits += c;
        else if (c != u'.' && c != u',' && c != u'\'' && c != u' ' && c != QChar(0x00A0) &&
                 c != QChar(0x202F))
            return -1;
    }
    bool ok = false;
    const qlonglong n = digits.toLongLong(&ok);
    return ok ? qsizetype(n) : -1;
}

ColumnProfileEditor::ColumnProfileEditor(const AppState& state) : m_kind(state.ProfiloColonne)
{
    for (int i = 0; i < kBoxes; ++i)
        m_captions[i] = state.Intestazioni.value(i);
    switch (m_kind) {
    case ProfileKind::Vedi:
        m_values = state.OptV;
        break;
    case ProfileKind::Stampa:
    case ProfileKind::Esporta:
        m_values = state.OptS;
        break;
    }
    m_values[ColName] = 1;
    m_values[ColExt] = 1;
}

QString ColumnProfileEditor::caption() const
{
    switch (m_kind) {
    case ProfileKind::Vedi:
        return QStringLiteral("Colonne da Visualizzare");
    case ProfileKind::Esporta:
        return QStringLiteral("Colonne da Esportare");
    case ProfileKind::Stampa:
        break;
    }
    return QStringLiteral("Colonne da Stampare");
}

bool ColumnProfileEditor::isBoxVisible(int i) const
{
    if (i == ColFolder)
        return false; // the folder column never depends on a flag
    if (i == ColNumber)
        return m_kind == ProfileKind::Vedi; // reports and exports have no number column
    return true;
}

bool ColumnProfileEditor::isBoxEnabled(int i) const
{
    return isBoxVisible(i) && i != ColName && i != ColExt;
}

void ColumnProfileEditor::click(int i, bool checked)
{
    if (i < 0 || i >= kBoxes || !isBoxEnabled(i))
        return;
    m_values[i] = checked ? 1 : 0;
    if (i == ColNumber)
        m_numberClicked = true;
}

void ColumnProfileEditor::accept(AppState& state, NumberColumnTarget* target) const
{
    // Hidden boxes were loaded from the profile and cannot be clicked, so writing every box
    // back keeps their flags as they were (OptS 0 and 7, OptV 7).
    switch (m_kind) {
    case ProfileKind::Stampa:
    case ProfileKind::Esporta:
        state.OptS = m_values;
        return;
    case ProfileKind::Vedi:
        state.OptV = m_values;
        break;
    }

    if (!m_numberClicked || !target)
        return;
    const qsizetype n = parseFileCounter(target->fileCounterText());
    if (n < 0 || n > target->rowCount()) {
        // The counter and the table disagree: touching column 0 now could number rows
        // that are not there. The next fill numbers the table as the flag says.
        qCInfo(lcColumns) << "number column left as it is: counter" << target->fileCounterText() << "rows"
                          << target->rowCount();
        return;
    }
    if (state.OptV[ColNumber] == 0)
        target->clearNumberColumn(n);
    else
        target->numberRows(n);
}

} // namespace vellora
