#include "common/ui_win.h"

#include "common/dpi_win.h"
#include "common/encoding_win.h"

#include <commctrl.h>

namespace vuv::win {

namespace {

// A drop-down list's height includes its list.
int layoutHeight(const ControlRow& row) { return row.kind == Kind::ComboList ? row.h + 120 : row.h; }

}  // namespace

HWND createControl(HWND parent, const ControlRow& row, int originX, int originY) {
    const wchar_t* className = L"BUTTON";
    DWORD style = WS_CHILD | WS_VISIBLE;
    DWORD exStyle = 0;
    switch (row.kind) {
        case Kind::Button: style |= BS_PUSHBUTTON | WS_TABSTOP; break;
        case Kind::CheckBox: style |= BS_AUTOCHECKBOX | WS_TABSTOP; break;
        case Kind::Label: className = L"STATIC"; style |= SS_LEFT; break;
        case Kind::Edit:
            className = L"EDIT";
            style |= ES_AUTOHSCROLL | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::MultiLineEdit:
            className = L"EDIT";
            style |= ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN | WS_VSCROLL | WS_TABSTOP;
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::ListView:
        case Kind::ItemListView:
            className = WC_LISTVIEWW;
            style |= LVS_REPORT | LVS_SHOWSELALWAYS | WS_TABSTOP | (row.kind == Kind::ListView ? LVS_OWNERDATA : 0);
            exStyle = WS_EX_CLIENTEDGE;
            break;
        case Kind::ComboList:
            className = L"COMBOBOX";
            style |= CBS_DROPDOWNLIST | WS_VSCROLL | WS_TABSTOP;
            break;
        case Kind::Tab: className = WC_TABCONTROLW; style |= WS_CLIPSIBLINGS | WS_TABSTOP; break;
    }
    const int dpi = windowDpi(parent);
    const RECT box = scaledRect(originX + row.x, originY + row.y, row.w, layoutHeight(row), dpi);
    HWND hwnd = CreateWindowExW(exStyle, className, row.caption ? row.caption : L"", style | row.extraStyle, box.left,
                                box.top, box.right - box.left, box.bottom - box.top, parent,
                                reinterpret_cast<HMENU>(static_cast<INT_PTR>(row.id)), GetModuleHandleW(nullptr), nullptr);
    if (hwnd != nullptr) SendMessageW(hwnd, WM_SETFONT, reinterpret_cast<WPARAM>(uiFontAt(dpi)), FALSE);
    return hwnd;
}

void placeControl(HWND control, const ControlRow& row, int dpi, int originX, int originY, int grownX, int grownY) {
    RECT box = scaledRect(originX + row.x, originY + row.y, row.w, layoutHeight(row), dpi);
    switch (row.anchor) {
        case Anchor::Fixed: break;
        case Anchor::Grow:
            box.right += grownX;
            box.bottom += grownY;
            break;
        case Anchor::Right: OffsetRect(&box, grownX, 0); break;
        case Anchor::Bottom: OffsetRect(&box, 0, grownY); break;
    }
    SetWindowPos(control, nullptr, box.left, box.top, box.right - box.left, box.bottom - box.top,
                 SWP_NOZORDER | SWP_NOACTIVATE);
    SendMessageW(control, WM_SETFONT, reinterpret_cast<WPARAM>(uiFontAt(dpi)), TRUE);
}

std::wstring controlTextW(HWND control) {
    const int length = GetWindowTextLengthW(control);
    if (length <= 0) return {};
    std::wstring text(static_cast<std::size_t>(length) + 1, L'\0');
    const int got = GetWindowTextW(control, text.data(), length + 1);
    text.resize(got > 0 ? static_cast<std::size_t>(got) : 0);
    return text;
}

void liftTextLimit(HWND edit) { SendMessageW(edit, EM_SETLIMITTEXT, 0x7FFFFFFE, 0); }

std::string controlText(HWND control) { return narrow(controlTextW(control)); }

void setControlText(HWND control, std::string_view gbk) { SetWindowTextW(control, widen(gbk).c_str()); }

int localSecondsOfDay() noexcept {
    SYSTEMTIME now{};
    GetLocalTime(&now);
    return now.wHour * 3600 + now.wMinute * 60 + now.wSecond;
}

namespace {
thread_local UnattendedBoxes* unattended = nullptr;  // this thread's innermost scope
}  // namespace

UnattendedBoxes::UnattendedBoxes() noexcept : outer_(unattended) { unattended = this; }

UnattendedBoxes::~UnattendedBoxes() { unattended = outer_; }

int messageBox(const wchar_t* text, const wchar_t* caption, UINT flags) {
    if (unattended != nullptr) {
        unattended->texts_.emplace_back(text != nullptr ? text : L"");
        switch (flags & MB_TYPEMASK) {
            case MB_OKCANCEL:
            case MB_YESNOCANCEL:
            case MB_RETRYCANCEL:
            case MB_CANCELTRYCONTINUE: return IDCANCEL;
            case MB_YESNO: return IDNO;
            case MB_ABORTRETRYIGNORE: return IDABORT;
            default: return IDOK;
        }
    }
    return MessageBoxW(nullptr, text, caption, flags | MB_TASKMODAL);
}

}  // namespace vuv::win
