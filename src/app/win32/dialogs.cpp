#include "app/win32/dialogs.h"

#include "app/resources/resource.h"
#include "app/size_table.h"
#include "app/win32/korean_font.h"

namespace calvorn {
namespace {

// What a dialog keeps while it is open: the answer and the font that it may
// have been given in place of "굴림".
struct DialogState {
    std::int32_t sizeExponent = 0;
    HFONT font = nullptr;
};

DialogState& stateOf(HWND dialog) { return *reinterpret_cast<DialogState*>(GetWindowLongPtrW(dialog, DWLP_USER)); }

void startDialog(HWND dialog, LPARAM state)
{
    SetWindowLongPtrW(dialog, DWLP_USER, state);
    stateOf(dialog).font = applyKoreanDialogFont(dialog);
}

void endDialog(HWND dialog) { EndDialog(dialog, 0); }

// Runs a dialog to its end; the font it may have been given outlives its
// controls and goes only afterwards.
void runDialog(HINSTANCE instance, const wchar_t* name, HWND owner, DLGPROC procedure, DialogState& state)
{
    DialogBoxParamW(instance, name, owner, procedure, reinterpret_cast<LPARAM>(&state));
    if (state.font != nullptr) DeleteObject(state.font);
    state.font = nullptr;
}

void fillSizeList(HWND dialog)
{
    for (const std::string_view label : sizeLabels)
        SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_ADDSTRING, 0,
                            reinterpret_cast<LPARAM>(utf8ToWide(label).c_str()));
    SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_SETCURSEL, 0, 0);
}

std::int32_t selectedSizeExponent(HWND dialog)
{
    const LRESULT index = SendDlgItemMessageW(dialog, IDC_SIZE_LIST, CB_GETCURSEL, 0, 0);
    if (index < 0 || index >= static_cast<LRESULT>(sizeCount)) return 0;
    return sizeExponentOfIndex(static_cast<std::size_t>(index));
}

INT_PTR CALLBACK sizeDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        startDialog(dialog, lParam);
        fillSizeList(dialog);
        return TRUE;
    }
    if (message != WM_COMMAND) return FALSE;
    switch (LOWORD(wParam)) {
    case IDOK:
        stateOf(dialog).sizeExponent = selectedSizeExponent(dialog);
        endDialog(dialog);
        return TRUE;
    case IDCANCEL:
        stateOf(dialog).sizeExponent = 0;
        endDialog(dialog);
        return TRUE;
    default:
        return FALSE;
    }
}

INT_PTR CALLBACK aboutDialogProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam)
{
    if (message == WM_INITDIALOG) {
        startDialog(dialog, lParam);
        return TRUE;
    }
    if (message == WM_COMMAND && (LOWORD(wParam) == IDOK || LOWORD(wParam) == IDCANCEL)) {
        endDialog(dialog);
        return TRUE;
    }
    return FALSE;
}

} // namespace

std::int32_t chooseSize(HINSTANCE instance, HWND owner)
{
    DialogState state;
    runDialog(instance, L"crowddlg", owner, sizeDialogProcedure, state);
    return state.sizeExponent;
}

void showAbout(HINSTANCE instance, HWND owner)
{
    DialogState state;
    runDialog(instance, L"AboutBox", owner, aboutDialogProcedure, state);
}

} // namespace calvorn
