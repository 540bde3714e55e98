#include "ui/status_page.h"

#include <algorithm>
#include <vector>

#include "common/resource_string.h"
#include "resources/resource.h"
#include "ui/clipboard.h"

CStatusPage::CStatusPage(IApplicationCore& core) : CPropertyPage(IDD_STATUS), m_core(core)
{
}

std::wstring CStatusPage::PageText(const CStatusReport& report)
{
    const std::vector<std::wstring> lines = StatusReportLines(report);
    // The heading is the first section: it ends at the first empty line.
    auto body = std::find(lines.begin(), lines.end(), std::wstring());
    body = body == lines.end() ? lines.begin() : body + 1;
    std::wstring text;
    for (auto line = body; line != lines.end(); ++line)
        text += (line == body ? L"" : L"\r\n") + *line;
    return text;
}

bool CStatusPage::ProcessWindowMessage(HWND, UINT message, WPARAM wParam, LPARAM, LRESULT&)
{
    switch (message) {
    case WM_TIMER:
        if (wParam != kRefreshTimer)
            return false;
        // Hidden with the sheet by a way that did not tell the page.
        if (!IsWindowVisible(Handle()))
            StopRefreshing();
        else
            Refresh();
        return true;
    case WM_SHOWWINDOW:
        // The sheet hides the page it leaves. Not PSN_KILLACTIVE, which the
        // sheet's own apply sends too while the page stays in sight.
        if (!wParam)
            StopRefreshing();
        return false;
    case WM_COMMAND:
        if (LOWORD(wParam) != IDC_STATUS_COPY || HIWORD(wParam) != BN_CLICKED)
            return false;
        Copy();
        return true;
    default:
        return false;
    }
}

void CStatusPage::OnSetActive()
{
    StartRefreshing();
}

void CStatusPage::OnSheetShown(bool shown)
{
    if (!Handle())
        return; // never shown: nothing to read or stop
    if (!shown)
        StopRefreshing();
    else if (IsWindowVisible(Handle()))
        StartRefreshing();
}

void CStatusPage::OnFinalMessage()
{
    m_shown.clear(); // the edit is gone; the timer went with the window
}

void CStatusPage::StartRefreshing()
{
    Refresh();
    SetTimer(Handle(), kRefreshTimer, kRefreshInterval, nullptr);
}

void CStatusPage::StopRefreshing()
{
    KillTimer(Handle(), kRefreshTimer);
}

void CStatusPage::Refresh()
{
    Show(m_core.StatusReport());
}

void CStatusPage::Show(const CStatusReport& report)
{
    std::wstring text = PageText(report);
    if (text == m_shown)
        return; // no repainting, and the reader's place stays
    HWND edit = Item(IDC_STATUS_TEXT);
    DWORD start = 0, end = 0;
    SendMessageW(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&start), reinterpret_cast<LPARAM>(&end));
    // Tabbing into the edit selects all of it: then all of the new text.
    const bool all = start == 0 && end > 0 && end >= m_shown.size();
    const LRESULT firstLine = SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);

    // Painted once, with the caret and the scroll position put back.
    SendMessageW(edit, WM_SETREDRAW, FALSE, 0);
    SetWindowTextW(edit, text.c_str());
    if (all)
        SendMessageW(edit, EM_SETSEL, 0, -1);
    else
        SendMessageW(edit, EM_SETSEL, start, end);
    const LRESULT scrolled = firstLine - SendMessageW(edit, EM_GETFIRSTVISIBLELINE, 0, 0);
    if (scrolled)
        SendMessageW(edit, EM_LINESCROLL, 0, scrolled);
    SendMessageW(edit, WM_SETREDRAW, TRUE, 0);
    RedrawWindow(edit, nullptr, nullptr, RDW_INVALIDATE | RDW_ERASE | RDW_FRAME);
    m_shown.swap(text);
}

void CStatusPage::Copy()
{
    // What is copied is what the page then shows, the heading with the
    // moment added.
    const CStatusReport report = m_core.StatusReport();
    Show(report);
    HWND note = Item(IDC_STATUS_NOTE);
    if (PutTextOnClipboard(Handle(), StatusReportText(report))) {
        ShowWindow(note, SW_HIDE);
        return;
    }
    SetWindowTextW(note, ResourceText(IDS_STATUS_COPY_FAILED).c_str());
    ShowWindow(note, SW_SHOWNA);
    MessageBeep(MB_ICONWARNING);
}
