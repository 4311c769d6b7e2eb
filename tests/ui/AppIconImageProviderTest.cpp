// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/AppIconImageProvider.h"
#include "GuiApp.h"

#include "fakes/TempDir.h"

#include <QIcon>
#include <QImage>
#include <QPainter>
#include <QQmlComponent>
#include <QQmlEngine>
#include <QQuickItem>
#include <QTest>

#include <gtest/gtest.h>

#include <fstream>
#include <memory>

using namespace brisa;
namespace fs = std::filesystem;

namespace {

using test::writeFile;

void writeImage(const fs::path& path, QSize size, QColor color, const char* format = nullptr)
{
    fs::create_directories(path.parent_path());
    QImage image(size, QImage::Format_ARGB32);
    image.fill(color);
    ASSERT_TRUE(image.save(QString::fromStdString(path.string()), format));
}

std::string svg(const char* fill)
{
    return std::string("<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"16\" height=\"16\" viewBox=\"0 0 16 16\">"
                       "<rect width=\"16\" height=\"16\" fill=\"") +
           fill + "\"/></svg>";
}

std::string app(const std::string& name, const std::string& extra = "")
{
    return "[Desktop Entry]\nType=Application\nName=" + name + "\nExec=true\n" + extra;
}

QColor centre(const QImage& image) { return image.pixelColor(image.width() / 2, image.height() / 2); }

class AppIconImageProviderTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        test::guiApp();
        // A theme of our own, and no fallback folders, so that nothing of the machine's is found.
        oldSearchPaths = QIcon::themeSearchPaths();
        oldFallbackPaths = QIcon::fallbackSearchPaths();
        oldTheme = QIcon::themeName();
        writeFile(dir / "icons/brisatest/index.theme",
              "[Icon Theme]\nName=Brisa test\nDirectories=48x48/apps,scalable/apps\n\n"
              "[48x48/apps]\nSize=48\nType=Fixed\n\n[scalable/apps]\nSize=48\nMinSize=8\nMaxSize=512\nType=Scalable\n");
        QIcon::setThemeSearchPaths({QString::fromStdString((dir / "icons").string())});
        QIcon::setFallbackSearchPaths({});
        QIcon::setThemeName(QStringLiteral("brisatest"));
    }
    void TearDown() override
    {
        QIcon::setThemeSearchPaths(oldSearchPaths);
        QIcon::setFallbackSearchPaths(oldFallbackPaths);
        QIcon::setThemeName(oldTheme);
    }

    std::unique_ptr<AppIconImageProvider> provider()
    {
        return std::make_unique<AppIconImageProvider>(std::vector<fs::path>{dir / "apps"},
                                                      std::vector<fs::path>{dir / "pixmaps", dir / "pixmaps2"});
    }
    // The theme changed on disk: Qt keeps what it found per theme until the theme is set again.
    static void reloadTheme() { QIcon::setThemeName(QStringLiteral("brisatest")); }

    test::TempDir dir;
    QStringList oldSearchPaths, oldFallbackPaths;
    QString oldTheme;
};

} // namespace

TEST(AppIconImageProvider, UrlEncodesTheIdAndPixmapDirsFollowXdgDataDirs)
{
    EXPECT_EQ(AppIconImageProvider::urlFor(QString()), QString());
    EXPECT_EQ(AppIconImageProvider::urlFor(QStringLiteral("org.gnome.Terminal")),
              QStringLiteral("image://appicon/org.gnome.Terminal"));
    EXPECT_EQ(AppIconImageProvider::urlFor(QStringLiteral("Mi app/ñ%?#")),
              QStringLiteral("image://appicon/Mi%20app%2F%C3%B1%25%3F%23"));

    const QByteArray old = qgetenv("XDG_DATA_DIRS");
    qputenv("XDG_DATA_DIRS", "/opt/share:relative:/usr/share/");
    EXPECT_EQ(AppIconImageProvider::pixmapDirs(), (std::vector<fs::path>{"/opt/share/pixmaps", "/usr/share/pixmaps"}));
    qputenv("XDG_DATA_DIRS", "/opt/share");
    EXPECT_EQ(AppIconImageProvider::pixmapDirs(), (std::vector<fs::path>{"/opt/share/pixmaps", "/usr/share/pixmaps"}));
    qunsetenv("XDG_DATA_DIRS");
    EXPECT_EQ(AppIconImageProvider::pixmapDirs(),
              (std::vector<fs::path>{"/usr/local/share/pixmaps", "/usr/share/pixmaps"}));
    if (!old.isNull())
        qputenv("XDG_DATA_DIRS", old);
}

TEST_F(AppIconImageProviderTest, AnAbsoluteIconIsThatFileAtTheRequestedSize)
{
    writeImage(dir / "opt/tool.png", {40, 40}, Qt::red);
    writeFile(dir / "opt/tool.svg", svg("#00ff00"));
    writeFile(dir / "apps/tool.desktop", app("Tool", "Icon=" + (dir / "opt/tool.png").string() + "\n"));
    writeFile(dir / "apps/vector.desktop", app("Vector", "StartupWMClass=Vector-App\nIcon=" + (dir / "opt/tool.svg").string() + "\n"));
    writeFile(dir / "apps/gone.desktop", app("Gone", "Icon=" + (dir / "opt/missing.png").string() + "\n"));
    auto icons = provider();

    QSize size;
    QImage image = icons->requestImage(QStringLiteral("tool"), &size, {24, 24});
    EXPECT_EQ(image.size(), QSize(24, 24));
    EXPECT_EQ(size, QSize(24, 24));
    EXPECT_EQ(centre(image), QColor(Qt::red));

    image = icons->requestImage(QStringLiteral("Vector-App"), &size, {96, 96});
    EXPECT_EQ(image.size(), QSize(96, 96));
    EXPECT_EQ(centre(image), QColor(Qt::green));

    image = icons->requestImage(QStringLiteral("tool"), &size, {});
    EXPECT_EQ(image.size(), QSize(AppIconImageProvider::kDefaultSide, AppIconImageProvider::kDefaultSide));
    image = icons->requestImage(QStringLiteral("tool"), &size, {0, 20});
    EXPECT_EQ(image.size(), QSize(20, 20));
    image = icons->requestImage(QStringLiteral("tool"), &size, {100000, 100000});
    EXPECT_EQ(image.size(), QSize(AppIconImageProvider::kMaxSide, AppIconImageProvider::kMaxSide));

    image = icons->requestImage(QStringLiteral("gone"), &size, {24, 24});
    EXPECT_TRUE(image.isNull());
    EXPECT_EQ(size, QSize(0, 0));
}

TEST_F(AppIconImageProviderTest, ANameComesFromTheThemeElseThePixmapsFolders)
{
    writeImage(dir / "icons/brisatest/48x48/apps/themed.png", {48, 48}, Qt::blue);
    writeFile(dir / "icons/brisatest/scalable/apps/vectored.svg", svg("#ff00ff"));
    writeImage(dir / "pixmaps/themed.png", {48, 48}, Qt::red); // the theme's comes first
    writeImage(dir / "pixmaps/loose.xpm", {16, 16}, Qt::yellow, "XPM");
    writeFile(dir / "pixmaps2/second.svg", svg("#00ffff"));
    writeImage(dir / "pixmaps2/named.png", {32, 32}, Qt::green);
    writeFile(dir / "apps/themed.desktop", app("Themed", "Icon=themed\n"));
    writeFile(dir / "apps/vectored.desktop", app("Vectored", "Icon=vectored\n"));
    writeFile(dir / "apps/loose.desktop", app("Loose", "Icon=loose\n"));
    writeFile(dir / "apps/second.desktop", app("Second", "Icon=second\n"));
    writeFile(dir / "apps/named.desktop", app("Named", "Icon=named.png\n"));
    writeFile(dir / "apps/sneaky.desktop", app("Sneaky", "Icon=../pixmaps/loose.xpm\n"));
    writeFile(dir / "apps/bare.desktop", app("Bare"));
    reloadTheme();
    auto icons = provider();

    QSize size;
    const auto colourOf = [&](const char* id) {
        const QImage image = icons->requestImage(QString::fromLatin1(id), &size, {32, 32});
        EXPECT_EQ(image.size(), QSize(32, 32)) << id;
        return image.isNull() ? QColor() : centre(image);
    };
    EXPECT_EQ(colourOf("themed"), QColor(Qt::blue));
    EXPECT_EQ(colourOf("Vectored"), QColor(Qt::magenta)) << "the id ignoring case";
    EXPECT_EQ(colourOf("loose"), QColor(Qt::yellow)) << "a small xpm, drawn at the size asked";
    EXPECT_EQ(colourOf("second"), QColor(Qt::cyan));
    EXPECT_EQ(colourOf("named"), QColor(Qt::green)) << "a name given with its extension";

    for (const char* none : {"sneaky", "bare", "unknown", ""})
        EXPECT_TRUE(icons->requestImage(QString::fromLatin1(none), &size, {32, 32}).isNull()) << none;
}

TEST_F(AppIconImageProviderTest, FoundIconsAreKeptMissingOnesAreLookedUpAgainAndASymbolStandsIn)
{
    auto icons = provider();
    // The applications are indexed at the first request, not when the provider is made.
    writeFile(dir / "apps/kept.desktop", app("Kept", "Icon=kept\n"));
    writeFile(dir / "apps/late.desktop", app("Late", "Icon=late\n"));
    writeImage(dir / "pixmaps/kept.png", {32, 32}, Qt::red);
    QSize size;
    EXPECT_EQ(centre(icons->requestImage(QStringLiteral("kept"), &size, {16, 16})), QColor(Qt::red));
    EXPECT_TRUE(icons->requestImage(QStringLiteral("late"), &size, {16, 16}).isNull());

    // A symbol named after the id stands in only when the application has no icon.
    EXPECT_EQ(centre(icons->requestImage(QStringLiteral("kept/doc?color=00ff00"), &size, {16, 16})), QColor(Qt::red));
    const QImage symbol = icons->requestImage(QStringLiteral("nobody/doc?color=00ff00"), &size, {32, 32});
    ASSERT_FALSE(symbol.isNull());
    EXPECT_EQ(size, QSize(32, 32));
    int green = 0;
    for (int y = 0; y < symbol.height(); ++y)
        for (int x = 0; x < symbol.width(); ++x)
            green += symbol.pixelColor(x, y).green() > 200 && symbol.pixelColor(x, y).alpha() > 200;
    EXPECT_GT(green, 10) << "the symbol, in the colour asked for";

    // Now the theme has both: the icon found stays, the missing one is found.
    writeImage(dir / "icons/brisatest/48x48/apps/kept.png", {48, 48}, Qt::blue);
    writeImage(dir / "icons/brisatest/48x48/apps/late.png", {48, 48}, Qt::blue);
    reloadTheme();
    EXPECT_EQ(centre(icons->requestImage(QStringLiteral("kept"), &size, {16, 16})), QColor(Qt::red));
    EXPECT_EQ(centre(icons->requestImage(QStringLiteral("late"), &size, {16, 16})), QColor(Qt::blue));
    EXPECT_EQ(centre(provider()->requestImage(QStringLiteral("kept"), &size, {16, 16})), QColor(Qt::blue))
        << "a fresh provider would have found the theme's";

    // The index is made once: an application installed later is not seen by this provider.
    writeFile(dir / "apps/newer.desktop", app("Newer", "Icon=late\n"));
    EXPECT_TRUE(icons->requestImage(QStringLiteral("newer"), &size, {16, 16}).isNull());
}

TEST_F(AppIconImageProviderTest, AnImageElementLoadsTheIconOfAnIdWithAnyCharacters)
{
    writeImage(dir / "pixmaps/odd.png", {32, 32}, Qt::red);
    writeFile(dir / "apps/odd.desktop", app("Odd", "StartupWMClass=Mi app/ñ%?#+&=\nIcon=odd\n"));
    QQmlEngine engine;
    engine.addImageProvider(QString::fromLatin1(AppIconImageProvider::kProviderId), provider().release());
    QQmlComponent component(&engine);
    component.setData("import QtQuick\nItem {\n"
                      "  property alias found: found\n  property alias missing: missing\n"
                      "  Image { id: found; sourceSize: Qt.size(24, 24) }\n"
                      "  Image { id: missing; sourceSize: Qt.size(24, 24) }\n}\n",
                      QUrl());
    std::unique_ptr<QObject> root(component.create());
    ASSERT_NE(root, nullptr) << component.errorString().toStdString();
    auto* found = root->property("found").value<QQuickItem*>();
    auto* missing = root->property("missing").value<QQuickItem*>();
    found->setProperty("source", AppIconImageProvider::urlFor(QStringLiteral("Mi app/ñ%?#+&=")));
    missing->setProperty("source", AppIconImageProvider::urlFor(QStringLiteral("Mi app/ñ%?#+&")));
    // Image.Ready and Image.Error
    EXPECT_TRUE(QTest::qWaitFor([&] { return found->property("status").toInt() == 1; }));
    EXPECT_TRUE(QTest::qWaitFor([&] { return missing->property("status").toInt() == 3; }));
    EXPECT_EQ(found->property("implicitWidth").toReal(), 24);
}
