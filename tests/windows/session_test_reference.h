// The reference the random sessions are checked against: what each user or host action must do
// to the document, computed from the document before it. It keeps its own picture of the rows
// the panel holds (split into records with the core's scanRecord, requoted with joinFields) and
// follows the rules of the stale checks, the writes and the host's undo history, without any of
// the plug-in's own row or column code.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

namespace session {

// What the editor does with the plug-in's next replaces.
enum class Fault { None, Refuse, DropLastByte };

struct RefRow {
    uint64_t start = 0;
    uint64_t end = 0;
    std::string eol;
    std::string raw;
    std::vector<std::string> cells;
    std::vector<uint64_t> cellStarts;  // relative to start
    std::vector<uint64_t> cellEnds;
};

class Reference {
public:
    // The document as opened; the rows are scanned from it.
    Reference(std::string document, int eolMode, int codePage, bool headerRow, char delimiter);

    std::string doc;
    int eolMode = 0;  // 0 CR LF, 1 CR, 2 LF
    int codePage = 65001;
    bool headerRow = true;
    char delimiter = ',';
    bool readOnly = false;
    Fault fault = Fault::None;
    // An edit from outside since the last scan: the stamp is spoiled and a refresh pending.
    bool stale = false;
    // The document before each undo step, oldest first; the document after each undone step.
    std::vector<std::string> undoStack;
    std::vector<std::string> redoStack;
    // Boxes the plug-in must have shown in the last action (cell edits and stale checks).
    int boxes = 0;

    const std::vector<RefRow>& rows() const { return rows_; }
    uint64_t gridRowCount() const;
    uint64_t shownColumns() const;
    bool capped() const { return maxCells_ > 512; }
    // The cell of a grid row, or null past the row's cells or the rows.
    const std::string* cellAt(int64_t gridRow, uint64_t cellIndex) const;

    // A refresh: the rows from the document as it is.
    void scan();
    // A value typed, or a block pasted, into the ready row of a grid without data rows.
    void writeFirstRecords(uint64_t firstCell, const std::vector<std::vector<std::string>>& lines);

    // ---- the panel's operations ----------------------------------------------------------
    // A cell given a new value (commit, Delete, one-cell paste). True when it was written.
    bool cellEdit(int64_t gridRow, uint64_t cellIndex, const std::string& value);
    // A blank row below the current row, or above it.
    void addRow(int64_t currentRow, bool above = false);
    // Every cell of a rectangle emptied in one rewrite; rows it does not change stay as they are.
    void clearRange(int64_t firstRow, int64_t lastRow, uint64_t firstCell, uint64_t lastCell);
    // selected: the list's selected rows; cancelled when the box is answered with Cancel.
    void deleteRows(std::vector<int64_t> selected, int64_t currentRow, bool ok);
    void addColumn(int64_t currentColumn);
    void deleteColumn(int64_t currentColumn, bool ok);
    // Ctrl+V with the clipboard's text read into lines of values in the document's encoding
    // (none for an empty text or none at all).
    void paste(int64_t currentRow, int64_t currentColumn, const std::vector<std::vector<std::string>>& lines);

    // The grid's Replace all: every data cell holding find (ASCII case folded) gets each
    // occurrence replaced, and each changed cell alone is requoted in its row.
    void replaceInCells(const std::string& find, const std::string& with);
    // A sort in the grid left the document as after: empty when that is the current records in
    // another order (the header record first); else what is wrong. The reference then holds it.
    std::string sortedInto(const std::string& after);

    // ---- the host -------------------------------------------------------------------------
    void userReplace(uint64_t position, uint64_t length, const std::string& bytes);
    // An edit of the host's own whose result it works out itself (Replace All, line
    // operations): one undo step when it changes anything, or, with replaced, whenever it
    // replaced text (by the same text, too).
    void hostEdit(const std::string& after, bool replaced = false);
    // The document read again from its file: no undo history left.
    void reload(const std::string& text);
    void undo();
    void redo();

private:
    std::string lineEnding() const;
    std::vector<std::string> eols() const;
    uint64_t modelRow(int64_t gridRow) const { return static_cast<uint64_t>(gridRow + (headerRow ? 1 : 0)); }
    bool documentUnchanged();
    bool rowMatches(const RefRow& row) const;
    // One replace through the editor, as the plug-in's length-checked write: false when it was
    // refused or the length after it does not add up.
    bool replace(uint64_t from, uint64_t to, std::string bytes);
    // Undo bookkeeping around one operation: every change between begin and end is one step.
    void beginStep();
    void endStep();
    // The whole document replaced with the rows' texts (column operations and block paste).
    // The document from the rows, in one step: one replace from the first to the last byte that
    // changes, the whole text when that runs from the first line to the last (a column
    // operation), or with changesOnly each changed row on its own (a paste or a clear); no step
    // at all when nothing changes.
    void rewrite(const std::vector<std::string>& raws, const std::vector<std::string>& eols, bool changesOnly = false);

    std::vector<RefRow> rows_;
    uint64_t maxCells_ = 0;
    std::string stepBefore_;
    bool stepChanged_ = false;
};

// The row of text at position p, as the scanner splits it: the next record and its ending.
RefRow scanRow(const std::string& text, uint64_t p, char delimiter);

}  // namespace session
