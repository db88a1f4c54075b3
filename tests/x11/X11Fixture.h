#pragma once
// The X tests' fixture: a private X session (Xvfb and openbox) started for each test, and the X11
// backend on it handed to the kernel. Without the X tools every test fails, saying what is missing.

#include "support/XSession.h"

#include "ZRVX11Platform.h"
#include "ZRVX11Restrictions.h"

#include "support/EventLoop.h"

#include <gtest/gtest.h>

#include <ostream>

// Texts in failure messages as text.
inline void PrintTo(const QString& aText, std::ostream* aOut) {
    *aOut << '"' << aText.toStdString() << '"';
}

class X11Test : public ::testing::Test {
protected:
    explicit X11Test(bool aWithWindowManager = true) : fX(aWithWindowManager) {}

    void SetUp() override {
        ASSERT_TRUE(fX.Error().isEmpty()) << qPrintable(fX.Error());
        // The test's own connection stands for the program's windows' one.
        std::unique_ptr<TZRVPlatform> platform = CreateX11Platform(fX.Xcb());
        ASSERT_TRUE(platform) << "the X11 backend cannot reach " << qPrintable(fX.Display());
        SetPlatform(std::move(platform));
    }
    void TearDown() override { SetPlatform(nullptr); }

    TZRVX11Restrictions& Restrictions() {
        return dynamic_cast<TZRVX11Restrictions&>(Platform().Restrictions());
    }
    IZRVWindows& Windows() { return Platform().Windows(); }
    IZRVDesktop& Desktop() { return Platform().Desktop(); }

    zrvtest::TXSession fX;
};
