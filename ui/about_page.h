#pragma once
// The About page: the program's icon, version and legal-notice lines and a
// link to the maker's site.
#include "common/handles.h"
#include "ui/property_page.h"

class CAboutPage : public CPropertyPage
{
public:
    CAboutPage();

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

    // The side of the program icon for a window shown at `dpi` dots per inch:
    // 32 pixels at 96, 64 at 192.
    static int IconSizeForDpi(UINT dpi);

protected:
    void OnInitDialog() override;
    void OnFinalMessage() override;

private:
    void ShowIconForDpi();

    // The icon shown on the page, loaded at the page's size; the static
    // control's own copy is shared and not ours to destroy.
    CIconHandle m_icon;
};
