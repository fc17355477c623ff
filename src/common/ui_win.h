// Small building blocks for windows made from layout tables.
#pragma once

#include <windows.h>

#include <string>
#include <vector>
#include <string_view>

namespace vuv::win {

// Kinds of control a layout row can create. A ListView is virtual
// (LVS_OWNERDATA): its rows live in a model. An ItemListView holds its rows
// and their item data itself.
enum class Kind { Button, CheckBox, Label, Edit, MultiLineEdit, ListView, ItemListView, ComboList, Tab };

// How a control follows its window when the window grows beyond its first
// size: it stays (Fixed), grows by as much as the window (Grow), keeps its
// distance from the right edge (Right) or from the bottom edge (Bottom).
enum class Anchor { Fixed, Grow, Right, Bottom };

// One control of a window or page: identifier, kind, caption, extra styles,
// position and size in pixels relative to the layout's origin, and how it
// follows a growing window.
struct ControlRow {
    int id;
    Kind kind;
    const wchar_t* caption;
    DWORD extraStyle;
    int x, y, w, h;
    Anchor anchor = Anchor::Fixed;
};

// Creates one control as a child of parent, offset by (originX, originY).
// The row and the origin are pixels at 96 DPI; the control is placed and
// given its font at the parent's DPI.
HWND createControl(HWND parent, const ControlRow& row, int originX = 0, int originY = 0);
// Moves and sizes a control made from row to where it belongs at dpi, with
// its window grown by (grownX, grownY) pixels beyond its first size.
void placeControl(HWND control, const ControlRow& row, int dpi, int originX = 0, int originY = 0, int grownX = 0,
                  int grownY = 0);

// Text of a control as GBK, and setting it from GBK.
[[nodiscard]] std::string controlText(HWND control);
void setControlText(HWND control, std::string_view gbk);
[[nodiscard]] std::wstring controlTextW(HWND control);
// Lets an edit box hold any amount of text (by default it takes 32K
// characters), so a text of many megabytes is kept whole.
void liftTextLimit(HWND edit);

// The local time of day in seconds since midnight (0..86399).
[[nodiscard]] int localSecondsOfDay() noexcept;

// A task-modal message box without owner window. Returns the button pressed.
int messageBox(const wchar_t* text, const wchar_t* caption, UINT flags = MB_OK);

// While one lives (on the interface thread), messageBox shows nothing: it
// keeps the text and answers as the box's way out would (IDCANCEL where
// there is one, else IDNO, else IDOK). A call of the automation interface
// runs so: nobody may be there to click, and what the box would have said
// goes into the call's answer. Scopes nest; the innermost keeps the texts.
class UnattendedBoxes {
public:
    UnattendedBoxes() noexcept;
    ~UnattendedBoxes();
    UnattendedBoxes(const UnattendedBoxes&) = delete;
    UnattendedBoxes& operator=(const UnattendedBoxes&) = delete;
    [[nodiscard]] const std::vector<std::wstring>& texts() const noexcept { return texts_; }

private:
    friend int messageBox(const wchar_t* text, const wchar_t* caption, UINT flags);
    UnattendedBoxes* outer_;
    std::vector<std::wstring> texts_;
};

}  // namespace vuv::win
