#pragma once
// Base of the end-to-end tests: COM for reading the settings file, and a
// clean data folder before each test.
#include "tests/e2e/data_files.h"
#include "tests/e2e/tarvik_process.h"

#include "resources/resource.h"

#include <gtest/gtest.h>

namespace e2e {

class CEndToEnd : public ::testing::Test
{
protected:
    void SetUp() override
    {
        CoInitializeEx(nullptr, COINIT_APARTMENTTHREADED);
        RemoveDataFolder();
    }
    void TearDown() override { CoUninitialize(); }
};

// The sheet's Apply button.
constexpr WORD kApply = 12321;

// Texts of the program's string table that the tests look for.
inline const wchar_t* const kStarting = L"Starting";
inline const wchar_t* const kStopping = L"Stopping";
inline const wchar_t* const kSeparator =
    L"--------------------------------------------------------------------------------";

} // namespace e2e
