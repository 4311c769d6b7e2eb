// SPDX-License-Identifier: GPL-3.0-or-later
// The main() of every test program: pins the environment the tests assume, whoever runs them.
#include <gtest/gtest.h>

#include <cstdlib>
#include <ctime>

int main(int argc, char** argv)
{
    ::setenv("LC_ALL", "C.UTF-8", 1);
    ::setenv("LANG", "C.UTF-8", 1);
    ::setenv("TZ", "Europe/Madrid", 1);
    ::tzset();
    // Only tests started by tests/support/with-display.sh see a display, their own Xvfb: no test
    // may touch the developer's desktop or clipboard.
    if (!std::getenv("BRISA_TEST_DISPLAY")) {
        ::unsetenv("DISPLAY");
        ::unsetenv("WAYLAND_DISPLAY");
        ::setenv("QT_QPA_PLATFORM", "offscreen", 1);
    }
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
