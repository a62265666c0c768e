// Shared pieces of the framework's tests: a headless display and a clean
// window state for every test.
#pragma once

#include <afxwin.h>
#include <winplat/automation.h>
#include <winplat/display.h>

#include <gtest/gtest.h>

class FrameworkTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        winplat::SelectPresenter("headless");
        winplat::automation::Reset();
    }
    void TearDown() override
    {
        winplat::automation::Reset();
        CWnd::DeleteTempMap();
        CDC::DeleteTempMap();
        CGdiObject::DeleteTempMap();
    }
};

// A plain top-level window for tests that need an owner or a parent.
inline HWND MakeTopLevel(const char* caption, bool visible = true)
{
    return CreateWindowExA(0, "STATIC", caption, WS_POPUP | WS_CAPTION | (visible ? WS_VISIBLE : 0), 10, 10, 300, 200,
                           nullptr, nullptr, nullptr, nullptr);
}
