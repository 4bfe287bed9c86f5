// The panel page: its header (panel number, how many options), the option
// list in the library's order with the selection, and the wizard's buttons.
// One page slot serves every panel; the walk remembers the panels behind it.
#include "PanelPage.h"

#include "ResourceText.h"
#include "WizardWalk.h"
#include "resource.h"

#include <commctrl.h>

#include <string>

namespace
{

// Posted by the first activation, so that the database loads while the
// wizard is on screen and can own the library's messages.
const UINT WM_APP_START = WM_APP + 1;
// Posted after every change of panel: the list takes the focus once the
// sheet has finished with its buttons.
const UINT WM_APP_FOCUS_LIST = WM_APP + 2;
// Posted when the list lost its selection (a click on its empty part): the
// walk's choice stands, so the list shows it again.
const UINT WM_APP_RESELECT = WM_APP + 3;

WizardWalk* WalkOf(HWND hwndPage)
{
    return reinterpret_cast<WizardWalk*>(GetWindowLongPtrW(hwndPage, DWLP_USER));
}

HWND SheetOf(HWND hwndPage)
{
    return GetParent(hwndPage);
}

void AddColumn(HWND hwndList, int index, UINT textId, int width)
{
    std::wstring text = LoadText(textId);
    LVCOLUMNW column = {};
    column.mask = LVCF_TEXT | LVCF_WIDTH | LVCF_SUBITEM;
    column.pszText = text.data();
    column.cx = width;
    column.iSubItem = index;
    ListView_InsertColumn(hwndList, index, &column);
}

const wchar_t kHeaderFontProperty[] = L"LumbrixWizard.HeaderFont";

// The header's title in the bold face of the page's own font.
void InitHeader(HWND hwndPage)
{
    LOGFONTW face = {};
    const HFONT hPageFont = reinterpret_cast<HFONT>(SendMessageW(hwndPage, WM_GETFONT, 0, 0));
    if (hPageFont == nullptr || GetObjectW(hPageFont, sizeof(face), &face) == 0)
        return;
    face.lfWeight = FW_BOLD;
    const HFONT hBold = CreateFontIndirectW(&face);
    if (hBold == nullptr)
        return;
    SetPropW(hwndPage, kHeaderFontProperty, hBold);
    SendDlgItemMessageW(hwndPage, IDC_HEADER_TITLE, WM_SETFONT, reinterpret_cast<WPARAM>(hBold),
                        FALSE);
}

void FreeHeader(HWND hwndPage)
{
    const HANDLE hBold = RemovePropW(hwndPage, kHeaderFontProperty);
    if (hBold != nullptr)
        DeleteObject(hBold);
}

void InitList(HWND hwndPage)
{
    HWND hwndList = GetDlgItem(hwndPage, IDC_OPTIONS);
    ListView_SetExtendedListViewStyle(hwndList, LVS_EX_FULLROWSELECT | LVS_EX_DOUBLEBUFFER);
    RECT client = {};
    GetClientRect(hwndList, &client);
    const int leadsWidth = (client.right - client.left) / 4;
    AddColumn(hwndList, 0, IDS_COLUMN_OPTION,
              client.right - client.left - leadsWidth - GetSystemMetrics(SM_CXVSCROLL));
    AddColumn(hwndList, 1, IDS_COLUMN_LEADS_TO, leadsWidth);
}

std::wstring CountText(std::size_t count)
{
    if (count == 0)
        return LoadText(IDS_NO_OPTIONS);
    if (count == 1)
        return LoadText(IDS_ONE_OPTION);
    return FormatText(IDS_OPTIONS, {std::to_wstring(count)});
}

// The sheet's messages, sent as the PropSheet_ macros would send them.
void SetWizardButtons(HWND hwndSheet, LPARAM buttons)
{
    PostMessageW(hwndSheet, PSM_SETWIZBUTTONS, 0, buttons);
}

void UpdateButtons(HWND hwndPage)
{
    const WizardWalk* walk = WalkOf(hwndPage);
    LPARAM buttons = walk->CanGoBack() ? PSWIZB_BACK : 0;
    buttons |= walk->LeadsOn() ? PSWIZB_NEXT : PSWIZB_FINISH;
    SetWizardButtons(SheetOf(hwndPage), buttons);
}

void SelectInList(HWND hwndList, int index)
{
    if (index < 0)
        return;
    const UINT state = LVIS_SELECTED | LVIS_FOCUSED;
    ListView_SetItemState(hwndList, index, state, state);
    ListView_EnsureVisible(hwndList, index, FALSE);
}

// Fills the page with the walk's current panel.
void ShowPanel(HWND hwndPage)
{
    WizardWalk* walk = WalkOf(hwndPage);
    const PanelStep& step = walk->Current();
    const std::wstring title = FormatText(IDS_PANEL, {std::to_wstring(step.panel)});
    SetDlgItemTextW(hwndPage, IDC_HEADER_TITLE, title.c_str());
    SetDlgItemTextW(hwndPage, IDC_HEADER_SUBTITLE, CountText(step.options.size()).c_str());
    SetDlgItemTextW(hwndPage, IDC_PROMPT,
                    LoadText(step.options.empty() ? IDS_NOTHING_TO_CHOOSE : IDS_CHOOSE).c_str());

    HWND hwndList = GetDlgItem(hwndPage, IDC_OPTIONS);
    SendMessageW(hwndList, WM_SETREDRAW, FALSE, 0);
    ListView_DeleteAllItems(hwndList);
    for (std::size_t i = 0; i < step.options.size(); ++i)
    {
        const OptionLocus* pLocus = step.options[i];
        LVITEMW item = {};
        item.mask = LVIF_TEXT;
        item.iItem = static_cast<int>(i);
        item.pszText = const_cast<wchar_t*>(pLocus->m_strName.GetString());
        const int row = ListView_InsertItem(hwndList, &item);
        if (pLocus->m_nNextPanel != 0)
        {
            std::wstring leadsTo = FormatText(IDS_PANEL, {std::to_wstring(pLocus->m_nNextPanel)});
            ListView_SetItemText(hwndList, row, 1, leadsTo.data());
        }
    }
    SelectInList(hwndList, step.selected);
    SendMessageW(hwndList, WM_SETREDRAW, TRUE, 0);
    InvalidateRect(hwndList, nullptr, TRUE);

    UpdateButtons(hwndPage);
    PostMessageW(hwndPage, WM_APP_FOCUS_LIST, 0, 0);
}

void Start(HWND hwndPage)
{
    WizardWalk* walk = WalkOf(hwndPage);
    walk->SetWindow(SheetOf(hwndPage));
    if (!walk->Start())
    {
        walk->SetExit(kWizardUnusable);
        PropSheet_PressButton(SheetOf(hwndPage), PSBTN_CANCEL);
        return;
    }
    ShowPanel(hwndPage);
}

// The notifications of the sheet and of the list; the result goes back
// through DWLP_MSGRESULT.
LRESULT OnNotify(HWND hwndPage, const NMHDR* header)
{
    WizardWalk* walk = WalkOf(hwndPage);
    switch (header->code)
    {
    case PSN_SETACTIVE:
        if (!walk->Started())
        {
            SetWizardButtons(SheetOf(hwndPage), 0);
            SetDlgItemTextW(hwndPage, IDC_HEADER_TITLE, LoadText(IDS_LOADING).c_str());
            PostMessageW(hwndPage, WM_APP_START, 0, 0);
        }
        else
            ShowPanel(hwndPage);
        return 0;
    case PSN_WIZNEXT:
        // The same page shows the next panel.
        walk->Next();
        ShowPanel(hwndPage);
        return -1;
    case PSN_WIZBACK:
        walk->Back();
        ShowPanel(hwndPage);
        return -1;
    case PSN_WIZFINISH:
        walk->Finish();
        return FALSE;
    case PSN_QUERYCANCEL:
        return FALSE;
    case LVN_ITEMCHANGED:
    {
        const NMLISTVIEW* change = reinterpret_cast<const NMLISTVIEW*>(header);
        if (!walk->Started() || (change->uChanged & LVIF_STATE) == 0)
            return 0;
        if ((change->uNewState & LVIS_SELECTED) != 0)
        {
            walk->Select(change->iItem);
            UpdateButtons(hwndPage);
        }
        else if ((change->uOldState & LVIS_SELECTED) != 0)
            PostMessageW(hwndPage, WM_APP_RESELECT, 0, 0);
        return 0;
    }
    default:
        return 0;
    }
}

} // namespace

INT_PTR CALLBACK PanelPageProc(HWND hwndPage, UINT message, WPARAM, LPARAM lParam)
{
    switch (message)
    {
    case WM_INITDIALOG:
    {
        const PROPSHEETPAGEW* page = reinterpret_cast<const PROPSHEETPAGEW*>(lParam);
        SetWindowLongPtrW(hwndPage, DWLP_USER, page->lParam);
        InitHeader(hwndPage);
        InitList(hwndPage);
        return TRUE;
    }
    case WM_DESTROY:
        FreeHeader(hwndPage);
        return FALSE;
    case WM_NOTIFY:
        SetWindowLongPtrW(hwndPage, DWLP_MSGRESULT,
                          OnNotify(hwndPage, reinterpret_cast<const NMHDR*>(lParam)));
        return TRUE;
    case WM_APP_START:
        Start(hwndPage);
        return TRUE;
    case WM_APP_RESELECT:
    {
        HWND hwndList = GetDlgItem(hwndPage, IDC_OPTIONS);
        if (ListView_GetSelectedCount(hwndList) == 0)
            SelectInList(hwndList, WalkOf(hwndPage)->Current().selected);
        return TRUE;
    }
    case WM_APP_FOCUS_LIST:
        SendMessageW(SheetOf(hwndPage), WM_NEXTDLGCTL,
                     reinterpret_cast<WPARAM>(GetDlgItem(hwndPage, IDC_OPTIONS)), TRUE);
        return TRUE;
    default:
        return FALSE;
    }
}
