// The embedded manifests: without the common-controls dependency the pages'
// SysLink and the crash report's task dialog do not exist, and a program
// without the DPI and OS entries is drawn blurred and in compatibility modes.
#include <windows.h>

#include <gtest/gtest.h>

#include <string>

#include "tests/resources/resource_module.h"

namespace {

std::string ManifestOf(const wchar_t* program)
{
    CResourceModule module(program);
    auto bytes = module.Bytes(RT_MANIFEST, MAKEINTRESOURCEW(1));
    if (!bytes.first)
        return {};
    return std::string(reinterpret_cast<const char*>(bytes.first), bytes.second);
}

bool Has(const std::string& text, const char* part)
{
    return text.find(part) != std::string::npos;
}

TEST(ManifestTest, BothProgramsDeclareTheirNeeds)
{
    for (const wchar_t* program : {L"Tarvik.exe", L"suspend.exe"}) {
        SCOPED_TRACE(testing::Message() << program);
        std::string manifest = ManifestOf(program);
        ASSERT_FALSE(manifest.empty()) << "no RT_MANIFEST 1";
        EXPECT_TRUE(Has(manifest, "<?xml version=\"1.0\""));

        size_t dependency = manifest.find("<dependentAssembly>");
        ASSERT_NE(dependency, std::string::npos);
        std::string identity = manifest.substr(dependency, manifest.find("</dependentAssembly>") - dependency);
        EXPECT_TRUE(Has(identity, "name=\"Microsoft.Windows.Common-Controls\""));
        EXPECT_TRUE(Has(identity, "version=\"6.0.0.0\""));
        EXPECT_TRUE(Has(identity, "publicKeyToken=\"6595b64144ccf1df\""));

        EXPECT_TRUE(Has(manifest, "<requestedExecutionLevel level=\"asInvoker\" uiAccess=\"false\"/>"));
        EXPECT_TRUE(Has(manifest, ">true/pm</dpiAware>"));
        EXPECT_TRUE(Has(manifest, ">PerMonitorV2, PerMonitor</dpiAwareness>"));
        for (const char* os : {"{35138b9a-5d96-4fbd-8e2d-a2440225f93a}",   // 7
                               "{4a2f28e3-53b9-4441-ba9c-d69d4a4a6e38}",   // 8
                               "{1f676c76-80e1-4239-95bb-83d0f6d0da78}",   // 8.1
                               "{8e0f7a12-bfb3-4fe8-b9a5-48fd50a15a9a}"})  // 10 and 11
            EXPECT_TRUE(Has(manifest, os)) << os;
    }
}

} // namespace
