// The process set-up the program makes before its window exists: COM for the
// settings file and the common controls of the pages.
#include <gtest/gtest.h>

#include <windows.h>
#include <commctrl.h>
#include <objbase.h>

namespace {

class CProgramEnvironment : public ::testing::Environment
{
public:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED | COINIT_DISABLE_OLE1DDE);
        INITCOMMONCONTROLSEX classes = {sizeof(classes), ICC_WIN95_CLASSES | ICC_DATE_CLASSES |
                                                             ICC_STANDARD_CLASSES | ICC_LINK_CLASS};
        InitCommonControlsEx(&classes);
    }
    void TearDown() override { CoUninitialize(); }
};

const ::testing::Environment* const kEnvironment =
    ::testing::AddGlobalTestEnvironment(new CProgramEnvironment);

} // namespace
