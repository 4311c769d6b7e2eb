// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/x11/X11ColorSampler.h"

#include <QGuiApplication>
#include <QTest>
#include <QWindow>

#include <gtest/gtest.h>

#include <cstdlib>
#include <optional>

using namespace brisa;

namespace {

QGuiApplication& app()
{
    static int argc = 1;
    static char name[] = "brisa-test";
    static char* argv[] = {name, nullptr};
    static auto* instance = new QGuiApplication(argc, argv);
    return *instance;
}

class X11ColorSamplerTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (!std::getenv("DISPLAY") || !std::getenv("BRISA_TEST_DISPLAY"))
            GTEST_SKIP() << "needs an X display (run under tests/support/with-display.sh)";
        app();
        // The desktop behind everything: one known colour.
        ASSERT_EQ(std::system("hsetroot -solid '#336699' >/dev/null 2>&1"), 0);
        if (const char* dir = std::getenv("BRISA_SCREENSHOT_DIR"); dir && *dir) {
            // Something beside the pointer for the documentation's picture (clear of the click).
            std::system("xterm -geometry 60x12+500+300 -e 'echo Brisa; sleep 20' &");
            QTest::qWait(1500);
        }
        sampler = X11ColorSampler::create();
        ASSERT_NE(sampler, nullptr);
    }

    /// Starts sampling, waits for the window, then runs the xdotool arguments as the user.
    std::optional<ColorSampler::Sample> sampleWith(const std::string& xdotool)
    {
        bool finished = false;
        std::optional<ColorSampler::Sample> result;
        sampler->pick([&](std::optional<ColorSampler::Sample> s) {
            finished = true;
            result = s;
        });
        EXPECT_NE(sampler->window(), nullptr);
        if (!sampler->window())
            return std::nullopt;
        EXPECT_TRUE(QTest::qWaitForWindowExposed(sampler->window()));
        if (const char* dir = std::getenv("BRISA_SCREENSHOT_DIR"); dir && *dir) {
            // For the documentation only: the loupe beside the pointer, as the screen shows it.
            std::system("xdotool mousemove 864 460");
            QTest::qWait(300); // a real X server paints asynchronously
            std::system(("import -window root '" + std::string(dir) + "/color-sampler.png'").c_str());
        }
        EXPECT_EQ(std::system(("xdotool " + xdotool).c_str()), 0);
        EXPECT_TRUE(QTest::qWaitFor([&] { return finished; }, 5000));
        return result;
    }

    std::unique_ptr<X11ColorSampler> sampler;
};

} // namespace

// The root window, painted one colour in SetUp, is what the sampler reads.
TEST_F(X11ColorSamplerTest, AClickSamplesThePixelUnderThePointer)
{
    const auto sample = sampleWith("mousemove 700 500 click 1");
    ASSERT_TRUE(sample.has_value());
    EXPECT_DOUBLE_EQ(sample->red, 0x33 / 255.0);
    EXPECT_DOUBLE_EQ(sample->green, 0x66 / 255.0);
    EXPECT_DOUBLE_EQ(sample->blue, 0x99 / 255.0);
    EXPECT_DOUBLE_EQ(sample->alpha, 1.0);
    EXPECT_EQ(sampler->window(), nullptr); // gone once sampled
}

TEST_F(X11ColorSamplerTest, EscapeCancels)
{
    EXPECT_EQ(sampleWith("mousemove 300 300 key Escape"), std::nullopt);
    EXPECT_EQ(sampler->window(), nullptr);
}
