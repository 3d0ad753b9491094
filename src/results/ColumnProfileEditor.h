#pragma once
// What the column dialog does, without widgets: which profile it edits, what its eight
// boxes show, and what "OK" writes back to the window's state and to the number column.

#include "AppState.h"

#include <array>
#include <QString>

namespace vellora {

// The result table as the column dialog reaches it: column 0 only. The table implements
// it; tests fake it.
class NumberColumnTarget
{
public:
    virtual ~NumberColumnTarget() = default;

    // The file counter as the window shows it (lblTotFile): the number of data rows.
    [[nodiscard]] virtual QString fileCounterText() const = 0;
    // The data rows the table really holds.
    [[nodiscard]] virtual qsizetype rowCount() const = 0;
    // Empties the heading of column 0 and its cells in data rows 1..n.
    virtual void clearNumberColumn(qsizetype n) = 0;
    // Data rows 1..n, in their current order, get "1".."n" in column 0; the heading "Nr.".
    virtual void numberRows(qsizetype n) = 0;
};

// Start-up: a profile whose eight flags add up to 0 takes its default.
void applyProfileDefaults(AppState& state);

// The file counter read as a whole number; -1 when it holds none. Group separators are
// tolerated so that a counter shown as "12.345" still reads as 12345.
[[nodiscard]] qsizetype parseFileCounter(const QString& text);

class ColumnProfileEditor
{
public:
    static constexpr int kBoxes = 8;

    // Loads the boxes from the state, as the dialog does at each opening.
    explicit ColumnProfileEditor(const AppState& state);

    [[nodiscard]] ProfileKind kind() const { return m_kind; }
    [[nodiscard]] QString caption() const;
    [[nodiscard]] QString boxCaption(int i) const { return m_captions[i]; }
    [[nodiscard]] bool isBoxVisible(int i) const;
    // Name and extension are always reported and exported, whatever their flag says: their
    // boxes stay checked and cannot be changed, so the dialog never promises to drop them.
    [[nodiscard]] bool isBoxEnabled(int i) const;
    [[nodiscard]] bool isChecked(int i) const { return m_values[i] != 0; }
    [[nodiscard]] bool showsPrintPicture() const { return m_kind != ProfileKind::Vedi; }
    [[nodiscard]] bool numberClicked() const { return m_numberClicked; }

    // A user's click: the box takes the new state; a click on box 0 also sets the
    // number-clicked mark. Clicks on boxes that cannot be changed are ignored.
    void click(int i, bool checked);

    // "OK": writes the edited profile to the state and, for the display profile, updates
    // column 0 of the table when the number box was clicked. target may be null (no table).
    void accept(AppState& state, NumberColumnTarget* target) const;

private:
    ProfileKind m_kind;
    std::array<QString, kBoxes> m_captions;
    std::array<std::int16_t, kBoxes> m_values{};
    bool m_numberClicked = false;
};

} // namespace vellora
