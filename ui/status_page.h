#pragma once
// The Status page: what Tarvik and Windows will do about sleep and wake, in
// the words of the core's status report, in a read-only edit that the
// keyboard and screen readers walk; read again every two seconds while the
// page is in sight; Copy puts the whole report on the clipboard. A view of
// the core: it holds no engine, and does nothing until it is first shown.
#include <windows.h>

#include <string>

#include "engine/status_report.h"
#include "ui/application_core.h"
#include "ui/property_page.h"

class CStatusPage : public CPropertyPage
{
public:
    // The page's window timer, and how often it reads the report.
    static constexpr UINT_PTR kRefreshTimer = 1;
    static constexpr UINT kRefreshInterval = 2000; // milliseconds

    // `core` outlives the page.
    explicit CStatusPage(IApplicationCore& core);

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    // The sheet came out of the notification area (`shown`) or went there:
    // the page, if it is the one in sight, reads the report at once and
    // keeps reading it; hidden, it stops.
    void OnSheetShown(bool shown);

    // What the page shows of `report`: its sections without the heading,
    // whose moment would change the text at every reading and have a
    // screen reader start the text anew. Copy adds the heading back.
    static std::wstring PageText(const CStatusReport& report);

protected:
    void OnSetActive() override;
    void OnFinalMessage() override;

private:
    void StartRefreshing();
    void StopRefreshing();
    void Refresh();
    // Shows `report`, only when its text differs from the one shown.
    void Show(const CStatusReport& report);
    void Copy();

    IApplicationCore& m_core;
    std::wstring m_shown; // the edit's text
};
