// The window framework's sheet and pages: the system's sheet notifies the
// pages, the pages answer through their handlers, and the sheet's own apply
// asks the current page, then applies every page that exists.
#include <windows.h>
#include <commctrl.h>

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "resources/resource.h"
#include "tests/support/message_pump.h"
#include "ui/property_sheet.h"

namespace {

using CEvents = std::vector<std::string>;

// A page that writes down each notification it is given and answers as told.
class CRecordingPage : public CPropertyPage
{
public:
    CRecordingPage(const char* name, CEvents& events)
        : CPropertyPage(IDD_ABOUT), m_name(name), m_events(events)
    {
    }

    bool keepValues = false;
    int applyAnswer = PSNRET_NOERROR;

    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }

protected:
    void OnSetActive() override { Record("SetActive"); }
    bool OnKillActive() override
    {
        Record("KillActive");
        return !keepValues;
    }
    int OnApply(bool closing) override
    {
        Record(closing ? "Apply closing" : "Apply");
        return applyAnswer;
    }
    void OnReset() override { Record("Reset"); }

private:
    void Record(const char* event) { m_events.push_back(m_name + ":" + event); }

    std::string m_name;
    CEvents& m_events;
};

class CTestSheet : public CPropertySheet
{
public:
    CTestSheet() : CPropertySheet(IDS_APP_NAME) {}
    bool ProcessWindowMessage(HWND, UINT, WPARAM, LPARAM, LRESULT&) override { return false; }
};

CEvents Take(CEvents& events)
{
    CEvents taken;
    taken.swap(events);
    return taken;
}

HWND CurrentPage(HWND sheet)
{
    return reinterpret_cast<HWND>(SendMessageW(sheet, PSM_GETCURRENTPAGEHWND, 0, 0));
}

} // namespace

TEST(PropertyPages, PagesAnswerTheSheetThroughTheirHandlersAndTheSheetAppliesThePagesThatExist)
{
    INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_LINK_CLASS};
    InitCommonControlsEx(&classes);
    CEvents events;
    CRecordingPage first{"first", events};
    CRecordingPage second{"second", events};
    CTestSheet sheet;
    ASSERT_TRUE(sheet.AddPage(first));
    ASSERT_TRUE(sheet.AddPage(second));
    const HWND window = sheet.CreateModeless();
    ASSERT_NE(nullptr, window);
    EXPECT_EQ(Take(events), CEvents{"first:SetActive"});
    const HWND applyButton = GetDlgItem(window, IDC_APPLY_BUTTON);

    // A page that keeps its values holds the sheet's own page change and the apply.
    first.keepValues = true;
    EXPECT_FALSE(SendMessageW(window, PSM_SETCURSEL, 1, 0));
    EXPECT_EQ(CurrentPage(window), first.Handle());
    EXPECT_FALSE(sheet.ApplyPages(false));
    EXPECT_EQ(Take(events), (CEvents{"first:KillActive", "first:KillActive"}));

    // Only a page that was displayed applies; applied, it counts as unchanged.
    first.keepValues = false;
    SendMessageW(window, PSM_CHANGED, reinterpret_cast<WPARAM>(first.Handle()), 0);
    ASSERT_TRUE(IsWindowEnabled(applyButton));
    EXPECT_TRUE(sheet.ApplyPages(true));
    EXPECT_EQ(Take(events), (CEvents{"first:KillActive", "first:Apply closing"}));
    EXPECT_FALSE(IsWindowEnabled(applyButton));

    EXPECT_TRUE(SendMessageW(window, PSM_SETCURSEL, 1, 0));
    EXPECT_EQ(CurrentPage(window), second.Handle());
    EXPECT_EQ(Take(events), (CEvents{"first:KillActive", "second:SetActive"}));

    // A page that refuses to apply stops the pages after it.
    first.applyAnswer = PSNRET_INVALID_NOCHANGEPAGE;
    EXPECT_FALSE(sheet.ApplyPages(false));
    EXPECT_EQ(Take(events), (CEvents{"second:KillActive", "first:Apply"}));
    first.applyAnswer = PSNRET_NOERROR;
    EXPECT_TRUE(sheet.ApplyPages(false));
    EXPECT_EQ(Take(events), (CEvents{"second:KillActive", "first:Apply", "second:Apply"}));

    // A control's notification is not the sheet's, whatever its code.
    PSHNOTIFY fromControl = {};
    fromControl.hdr.hwndFrom = GetDlgItem(first.Handle(), IDC_WEBLINK);
    fromControl.hdr.idFrom = IDC_WEBLINK;
    fromControl.hdr.code = PSN_APPLY;
    ASSERT_NE(nullptr, fromControl.hdr.hwndFrom);
    SendMessageW(first.Handle(), WM_NOTIFY, IDC_WEBLINK, reinterpret_cast<LPARAM>(&fromControl));
    EXPECT_TRUE(events.empty());

    SendMessageW(window, PSM_PRESSBUTTON, PSBTN_CANCEL, 0);
    PumpMessages();
    EXPECT_EQ(Take(events), (CEvents{"first:Reset", "second:Reset"}));
    DestroyWindow(window);
}
