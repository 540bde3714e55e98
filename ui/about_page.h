#pragma once
// The About page: the program's version and legal-notice lines and a link to
// the maker's site.
#include "ui/property_page.h"

class CAboutPage : public CPropertyPage
{
public:
    CAboutPage();

    bool ProcessWindowMessage(HWND window, UINT message, WPARAM wParam, LPARAM lParam,
                              LRESULT& result) override;

private:
    void OnInitDialog();
};
