// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/SymbolIcons.h"
#include "ui/SymbolImageProvider.h"
#include "GuiApp.h"
#include "fakes/LogCapture.h"

#include <QFile>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>

#include <gtest/gtest.h>

#include <memory>
#include <set>
#include <string>

using namespace brisa;
namespace icons = brisa::SymbolIcons;

namespace {

class SymbolIconsTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }
};

int opaquePixels(const QImage& image)
{
    int n = 0;
    for (int y = 0; y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            n += qAlpha(image.pixel(x, y)) > 0;
    return n;
}

// True when every visible pixel has exactly the colour c (coverage kept in alpha).
bool paintedOnlyIn(const QImage& image, QColor c)
{
    const QImage plain = image.convertToFormat(QImage::Format_ARGB32);
    for (int y = 0; y < plain.height(); ++y)
        for (int x = 0; x < plain.width(); ++x) {
            const QRgb px = plain.pixel(x, y);
            if (qAlpha(px) < 128)
                continue; // un-premultiplying faint edges loses precision
            if (std::abs(qRed(px) - c.red()) > 2 || std::abs(qGreen(px) - c.green()) > 2 ||
                std::abs(qBlue(px) - c.blue()) > 2)
                return false;
        }
    return true;
}

int countLinesWith(const test::LogCapture& log, const std::string& text)
{
    int n = 0;
    for (const auto& l : log.lines())
        n += l.find(text) != std::string::npos;
    return n;
}

} // namespace

TEST_F(SymbolIconsTest, EveryNameTheViewsUseIsInTheTable)
{
    for (const char* name :
         {"doc.on.clipboard", "photo", "link", "doc", "paintpalette", "camera.viewfinder", "text.alignleft",
          "chevron.left.forwardslash.chevron.right", "clock", "text.bubble", "square.grid.2x2", "eyedropper", "star",
          "star.fill", "xmark", "tray", "pin.fill", "square.stack.3d.up.fill", "paperplane.fill",
          "rectangle.compress.vertical", "wand.and.stars", "arrow.down.right.and.arrow.up.left",
          "arrow.triangle.2.circlepath", "magnifyingglass", "folder.badge.gearshape", "checkmark.circle.fill",
          "circle", "trash", "folder", "plus", "list.bullet", "rectangle.split.3x1", "gearshape", "hand.raised",
          "text.insert", "app.dashed", "bell.fill", "music.note", "backward.end.fill", "forward.end.fill",
          "play.fill", "pause.fill", "sparkles"})
        EXPECT_NE(icons::find(name), nullptr) << name;
}

TEST_F(SymbolIconsTest, NamesAreUnique)
{
    std::set<std::string_view> seen;
    for (const auto& e : icons::table())
        EXPECT_TRUE(seen.insert(e.name).second) << e.name;
}

// Guards against an icon theme update dropping or renaming a file we rely on.
TEST_F(SymbolIconsTest, EveryEntryResolvesToAnExistingRenderableSvg)
{
    test::LogCapture log;
    for (const auto& e : icons::table()) {
        const QString path = icons::filePath(e.name);
        ASSERT_FALSE(path.isEmpty()) << e.name << " → " << e.file;
        EXPECT_TRUE(QFile::exists(path)) << path.toStdString();
        const QImage image = icons::render(e.name, {32, 32}, QColor());
        ASSERT_EQ(image.size(), QSize(32, 32)) << e.name;
        // Something visible, but not a filled square either.
        const int opaque = opaquePixels(image);
        EXPECT_GT(opaque, 20) << e.name;
        EXPECT_LT(opaque, 32 * 32) << e.name;
    }
    EXPECT_TRUE(log.lines().empty()) << log.lines().front();
}

TEST_F(SymbolIconsTest, OwnIconsAreShippedAsResources)
{
    for (const auto& e : icons::table()) {
        if (e.source == icons::Source::Brisa) {
            EXPECT_TRUE(icons::filePath(e.name).startsWith(QLatin1String(":/"))) << e.name;
        }
    }
    EXPECT_TRUE(QFile::exists(icons::fallbackPath()));
}

TEST_F(SymbolIconsTest, RecolouringPaintsEveryVisiblePixelAndKeepsTheShape)
{
    const QImage plain = icons::render("star.fill", {48, 48}, QColor());
    for (const QColor c : {QColor(Qt::white), QColor(Qt::black), QColor(0xff, 0x3b, 0x30)}) {
        const QImage tinted = icons::render("star.fill", {48, 48}, c);
        EXPECT_TRUE(paintedOnlyIn(tinted, c)) << c.name().toStdString();
        EXPECT_EQ(opaquePixels(tinted), opaquePixels(plain));
    }
}

TEST_F(SymbolIconsTest, UnknownNameDrawsTheFallbackAndLogsOnceWithoutControlCharacters)
{
    test::LogCapture log;
    const QImage fallback = icons::render("no.such.symbol", {24, 24}, Qt::white);
    const QImage again = icons::render("no.such.symbol", {24, 24}, Qt::white);
    EXPECT_GT(opaquePixels(fallback), 20);
    EXPECT_EQ(fallback, again);
    EXPECT_EQ(countLinesWith(log, "no.such.symbol"), 1);
    EXPECT_EQ(fallback, icons::render("", {24, 24}, Qt::white));
    icons::render("bad\nname\x1b[31m", {16, 16}, QColor()); // control characters stay out of the log
    EXPECT_EQ(countLinesWith(log, "bad?name?[31m"), 1);
}

TEST_F(SymbolIconsTest, SizeIsSanitised)
{
    EXPECT_EQ(icons::render("star", {}, QColor()).size(), QSize(16, 16));
    EXPECT_EQ(icons::render("star", {-5, -5}, QColor()).size(), QSize(16, 16));
    EXPECT_EQ(icons::render("star", {20, 0}, QColor()).size(), QSize(20, 20));
    EXPECT_EQ(icons::render("star", {100000, 100000}, QColor()).size(), QSize(1024, 1024));
    // A wide box keeps the glyph square and centred.
    const QImage wide = icons::render("star.fill", {64, 16}, QColor());
    EXPECT_EQ(wide.size(), QSize(64, 16));
    EXPECT_EQ(qAlpha(wide.pixel(2, 8)), 0);
    EXPECT_GT(qAlpha(wide.pixel(32, 8)), 0);
}

struct RequestCase {
    const char* id;
    const char* name;
    QColor color;
};

class SymbolRequest : public ::testing::TestWithParam<RequestCase> {};

TEST_P(SymbolRequest, Parses)
{
    const auto& c = GetParam();
    const auto r = icons::parseRequest(QString::fromUtf8(c.id));
    EXPECT_EQ(r.name, c.name);
    EXPECT_EQ(r.color.isValid(), c.color.isValid());
    if (c.color.isValid()) {
        EXPECT_EQ(r.color, c.color);
    }
}

INSTANTIATE_TEST_SUITE_P(Cases, SymbolRequest,
                         ::testing::Values(RequestCase{"star.fill?color=%23ffffff", "star.fill", QColor(Qt::white)},
                                           RequestCase{"star.fill?color=#ff0000", "star.fill", QColor(Qt::red)},
                                           RequestCase{"xmark?color=00ff00", "xmark", QColor(Qt::green)},
                                           RequestCase{"xmark?color=%2380ff0000", "xmark", QColor(255, 0, 0, 128)},
                                           RequestCase{"tray", "tray", QColor()},
                                           RequestCase{"tray?color=nonsense", "tray", QColor()},
                                           RequestCase{"tray?size=3&color=000000", "tray", QColor(Qt::black)},
                                           RequestCase{"", "", QColor()}));

TEST_F(SymbolIconsTest, ProviderServesTheRequestedSizeAndColour)
{
    SymbolImageProvider provider;
    QSize size;
    const QImage image = provider.requestImage(QStringLiteral("pin.fill?color=%2300ff00"), &size, QSize(28, 28));
    EXPECT_EQ(size, QSize(28, 28));
    EXPECT_EQ(image.size(), size);
    EXPECT_TRUE(paintedOnlyIn(image, Qt::green));
    EXPECT_GT(opaquePixels(image), 20);

    const QImage unknown = provider.requestImage(QStringLiteral("not.a.symbol?color=%23ffffff"), &size, QSize());
    EXPECT_EQ(size, QSize(16, 16));
    EXPECT_GT(opaquePixels(unknown), 10);
}

namespace {
// Records the ids the engine hands over, to see what survives of the URL.
class RecordingProvider : public SymbolImageProvider {
public:
    explicit RecordingProvider(QStringList* ids) : ids_(ids) {}
    QImage requestImage(const QString& id, QSize* size, const QSize& requestedSize) override
    {
        ids_->append(id);
        return SymbolImageProvider::requestImage(id, size, requestedSize);
    }

private:
    QStringList* ids_;
};
} // namespace

TEST_F(SymbolIconsTest, QmlImageGetsTheSymbolInTheColourOfItsUrl)
{
    QStringList ids;
    QQmlEngine engine;
    engine.addImageProvider(QString::fromLatin1(SymbolImageProvider::kProviderId), new RecordingProvider(&ids));
    QQmlComponent component(&engine);
    // A QML colour turned into text is "#rrggbb": the "#" must not be lost as a URL fragment.
    component.setData("import QtQuick\n"
                      "Image { property color tint: \"#ff0000\"\n"
                      "        source: \"image://symbol/star.fill?color=\" + tint\n"
                      "        sourceSize.width: 20; sourceSize.height: 20 }",
                      QUrl());
    std::unique_ptr<QObject> image(component.create());
    ASSERT_TRUE(image) << component.errorString().toStdString();
    EXPECT_EQ(image->property("status").toInt(), 1); // Image.Ready
    EXPECT_EQ(image->property("implicitWidth").toReal(), 20);
    ASSERT_EQ(ids.size(), 1);
    const auto request = icons::parseRequest(ids.front());
    EXPECT_EQ(request.name, "star.fill");
    EXPECT_EQ(request.color, QColor(Qt::red)) << ids.front().toStdString();
}
