// What the row, column and clipboard tests do as a user: press the tool-row buttons, pick
// cells and rows in the list, press keys in the grid, undo in the editor; and a way to act
// while a message box of the plug-in is open, as a user switching documents would.
#pragma once

#include "grid_view_support.h"
#include "input.h"

#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace tabulon_test {

class OperationTest : public GridViewTest {
protected:
    // Opens the panel on the document, with the header row switched on or off.
    void open(const std::string& document, bool headerRow, int eolMode = 0) {
        host.mainView().document().eolMode = eolMode;
        openPanelWithSettings(document, headerRow ? "HeaderRow=1\r\n" : "HeaderRow=0\r\n");
    }
    std::string text() { return host.mainView().text(); }
    devhost::EditorDocument& document() { return host.mainView().document(); }

    // A click on the button (its whole press, through the button's own handling).
    void press(int buttonId) {
        SendMessageW(child(panel(), buttonId), BM_CLICK, 0, 0);
        host.pumpUntilIdle();
    }
    // A click on a cell makes it current (list column 0 is the row numbers).
    void clickCell(int row, int listColumn) {
        devhost::click(host, list(), devhost::listCellCenter(list(), row, listColumn));
    }
    // These rows selected as a user does it: a click on the first one's number, Ctrl+clicks
    // on the others'. No rows: the selection is left as it is (the current cell alone).
    void selectRows(const std::vector<int>& rows) {
        for (size_t i = 0; i < rows.size(); ++i) {
            devhost::click(host, list(), devhost::listCellCenter(list(), rows[i], 0),
                           i == 0 ? devhost::KEY_NONE : devhost::KEY_CTRL);
        }
    }
    // A key pressed in the grid.
    void gridKey(UINT key, unsigned modifiers = devhost::KEY_NONE) {
        SetFocus(list());
        ASSERT_TRUE(devhost::pressKey(host, key, modifiers));
    }
    int currentListColumn();  // from the status line "... cell R<r> C<c>"
    int currentGridRow();
    // The boxes shown so far with their texts, and whether one has the text.
    std::vector<std::wstring> boxTexts() {
        std::vector<std::wstring> texts;
        for (const devhost::CapturedMessageBox& box : hooks.boxes) texts.push_back(box.text);
        return texts;
    }
};

inline const std::wstring WRITE_FAILED =
    L"The change could not be written to the document.\r\n"
    L"If the file is set to read-only, clear that first (Edit menu).";
inline const std::wstring DOCUMENT_CHANGED =
    L"The document changed outside the grid, so the view has been refreshed.\r\n"
    L"Please repeat the operation.";
inline const std::wstring UNSTORABLE =
    L"Some characters cannot be stored in this file's encoding, so the\r\n"
    L"cell was left unchanged. Convert the file to UTF-8 first\r\n"
    L"(Encoding menu) and try again.";

// Runs an action once, when the next box with the title (the plug-in's message boxes by
// default) opens and before it is answered: the box's own message loop runs it, as it would
// run a user's document switch or a user's choices in the box.
class WhileBoxOpen {
public:
    explicit WhileBoxOpen(std::function<void()> action, std::wstring title = L"Tabulon");
    ~WhileBoxOpen();
    WhileBoxOpen(const WhileBoxOpen&) = delete;
    WhileBoxOpen& operator=(const WhileBoxOpen&) = delete;
    bool ran = false;

private:
    static LRESULT CALLBACK cbtProc(int code, WPARAM wParam, LPARAM lParam);
    std::wstring title_;
    static LRESULT CALLBACK windowProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam);
    std::function<void()> action_;
    HHOOK hook_ = nullptr;
    HWND messages_ = nullptr;
};

}  // namespace tabulon_test
