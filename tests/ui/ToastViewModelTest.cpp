// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ToastViewModel.h"
#include "ui/ClipMimeData.h"
#include "GuiApp.h"
#include "SolidPng.h"

#include "core/toast/ToastController.h"
#include "fakes/FakeScreens.h"
#include "fakes/TempDir.h"
#include "fakes/VirtualScheduler.h"

#include <QAnimationDriver>
#include <QCoreApplication>
#include <QDir>
#include <QImage>
#include <QPainter>
#include <QQmlEngine>
#include <QQuickImageProvider>
#include <QQuickItem>
#include <QFontMetricsF>
#include <QQuickView>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>


using namespace brisa;
using namespace std::chrono_literals;

namespace {

ToastData textToast(std::string preview, std::optional<ClipDragPayload> drag = std::nullopt)
{
    return ToastData{ToastData::Text{std::move(preview)}, std::nullopt, std::move(drag)};
}

ToastData imageToast(std::optional<Bytes> thumbnail)
{
    return ToastData{ToastData::Image{std::move(thumbnail)}, "Firefox", ClipDragPayload::imageFile("A.png")};
}

QImage decodeDataUrl(const QUrl& url)
{
    const QString s = url.toString();
    const QString prefix = QStringLiteral("data:image/png;base64,");
    if (!s.startsWith(prefix))
        return {};
    return QImage::fromData(QByteArray::fromBase64(s.mid(prefix.size()).toLatin1()), "PNG");
}

class ToastViewModelTest : public ::testing::Test {
protected:
    void SetUp() override { test::guiApp(); }

    struct ClosedPanel final : PanelState {
        bool expanded() const override { return false; }
    };

    test::VirtualScheduler scheduler;
    test::FakeScreens screens{{ScreenInfo{.frame = {0, 0, 1920, 1080}}}};
    ClosedPanel panel;
    ToastController controller{screens, nullptr, panel, scheduler};
    ToastViewModel model{controller, scheduler, "/home/u/.local/share/brisa/images"};
};

} // namespace

TEST_F(ToastViewModelTest, ShowsTheDataOfTheToastAndRevealsEqualDataAgain)
{
    QSignalSpy revealed(&model, &ToastViewModel::revealed);
    QSignalSpy showID(&model, &ToastViewModel::showIDChanged);
    EXPECT_FALSE(model.hasData());
    EXPECT_FALSE(model.active());

    const ToastData link{ToastData::Link{"https://brisa.example/a"}, "Firefox", std::nullopt};
    controller.show(link);
    EXPECT_TRUE(model.active());
    EXPECT_TRUE(model.hasData());
    EXPECT_EQ(model.title(), QStringLiteral("Enlace copiado"));
    EXPECT_EQ(model.subtitle(), QStringLiteral("https://brisa.example/a"));
    EXPECT_EQ(model.symbol(), QStringLiteral("link"));
    EXPECT_EQ(model.kind(), QStringLiteral("link"));
    EXPECT_EQ(model.showID(), 1);
    EXPECT_DOUBLE_EQ(model.fraction(), 1.0);
    EXPECT_FALSE(model.draggable());
    EXPECT_EQ(revealed.count(), 1);

    scheduler.advance(1s);
    controller.show(link);
    EXPECT_EQ(revealed.count(), 2);
    EXPECT_EQ(showID.count(), 2);
    EXPECT_EQ(model.showID(), 2);
    EXPECT_DOUBLE_EQ(model.fraction(), 1.0);
}

TEST_F(ToastViewModelTest, KindNamesFollowTheCases)
{
    const std::vector<std::pair<ToastData::Kind, QString>> cases{
        {ToastData::Text{}, "text"},  {ToastData::Code{}, "code"},   {ToastData::Link{}, "link"},
        {ToastData::Image{}, "image"}, {ToastData::Screenshot{}, "screenshot"},
        {ToastData::Color{}, "color"}, {ToastData::File{}, "file"},   {ToastData::Notice{}, "notice"},
    };
    for (const auto& [kind, name] : cases) {
        controller.show(ToastData{kind, std::nullopt, std::nullopt});
        EXPECT_EQ(model.kind(), name);
    }
}

TEST_F(ToastViewModelTest, KeepsTheDataThroughTheExitAnimationUnlessAnotherToastComes)
{
    QSignalSpy concealed(&model, &ToastViewModel::concealed);
    controller.show(textToast("a"));
    scheduler.advance(4s);
    EXPECT_FALSE(model.active());
    EXPECT_EQ(concealed.count(), 1);
    EXPECT_TRUE(model.hasData());
    EXPECT_EQ(model.subtitle(), QStringLiteral("a"));
    scheduler.advance(349ms);
    EXPECT_TRUE(model.hasData());
    scheduler.advance(1ms);
    EXPECT_FALSE(model.hasData());
    EXPECT_TRUE(model.title().isEmpty());

    // A toast shown during the exit keeps the pill.
    controller.show(textToast("a"));
    controller.dismissNow();
    scheduler.advance(200ms);
    controller.show(textToast("b"));
    scheduler.advance(1s);
    EXPECT_TRUE(model.hasData());
    EXPECT_EQ(model.subtitle(), QStringLiteral("b"));
}

TEST_F(ToastViewModelTest, ThePointerPausesAndResumesTheCountdown)
{
    QSignalSpy paused(&model, &ToastViewModel::isPausedChanged);
    controller.show(textToast("a"));
    scheduler.advance(1s);
    model.updateFraction();
    EXPECT_DOUBLE_EQ(model.fraction(), 0.75);

    model.pointerEntered();
    EXPECT_TRUE(model.isPaused());
    scheduler.advance(10s);
    model.updateFraction();
    EXPECT_DOUBLE_EQ(model.fraction(), 0.75);
    EXPECT_TRUE(model.active());

    model.pointerLeft();
    EXPECT_FALSE(model.isPaused());
    EXPECT_EQ(paused.count(), 2);
    scheduler.advance(3s);
    EXPECT_FALSE(model.active());
    EXPECT_DOUBLE_EQ(model.fraction(), 0.0);
}

TEST_F(ToastViewModelTest, AThumbnailIsCroppedAndRoundedAtThreeTimesItsSize)
{
    controller.show(imageToast(test::solidPng({400, 100}, Qt::red)));
    const QImage thumb = decodeDataUrl(model.thumbnail());
    ASSERT_FALSE(thumb.isNull());
    EXPECT_EQ(thumb.size(), QSize(216, 174));
    EXPECT_EQ(thumb.pixelColor(108, 87), QColor(Qt::red));
    EXPECT_EQ(thumb.pixelColor(0, 0).alpha(), 0); // a rounded corner
    EXPECT_EQ(model.symbol(), QStringLiteral("photo"));
}

TEST_F(ToastViewModelTest, AThumbnailThatDoesNotDecodeShowsThePhotoTile)
{
    for (const Bytes& bad : {Bytes{}, toBytes("not an image"), Bytes(64, 0xff)}) {
        controller.show(imageToast(bad));
        EXPECT_TRUE(model.thumbnail().isEmpty());
        EXPECT_EQ(model.symbol(), QStringLiteral("photo"));
    }
    controller.show(imageToast(std::nullopt));
    EXPECT_TRUE(model.thumbnail().isEmpty());
}

TEST_F(ToastViewModelTest, DraggingCollapsesOnlyAThumbnailAndANewToastUndoesIt)
{
    controller.show(textToast("a", ClipDragPayload::text("a")));
    model.dragStarted();
    EXPECT_TRUE(model.dragging());
    EXPECT_FALSE(model.collapsed());

    controller.show(imageToast(test::solidPng({40, 40}, Qt::blue)));
    EXPECT_FALSE(model.dragging());
    model.dragStarted();
    EXPECT_TRUE(model.collapsed());
}

TEST_F(ToastViewModelTest, OnlyADragThatCarriesSomethingIsOffered)
{
    controller.show(textToast("a", ClipDragPayload::text("a")));
    EXPECT_TRUE(model.draggable());
    controller.show(textToast("a"));
    EXPECT_FALSE(model.draggable());
    controller.show(imageToast(std::nullopt)); // its file is not in the images folder
    EXPECT_FALSE(model.draggable());
}

TEST_F(ToastViewModelTest, DelayedWorkDoesNotOutliveTheModel)
{
    {
        ToastViewModel other(controller, scheduler);
        controller.show(textToast("a"));
    }
    controller.dismissNow(); // the gone model's callback must not run
    scheduler.advance(1s);
    EXPECT_FALSE(model.hasData());
}

// ---- The pill drawn offscreen, one picture per theme and kind, written next to the test binary.

namespace {

/// Stands in for the application's symbol icons: a plain ring, enough to see the tile's content.
class RingProvider : public QQuickImageProvider {
public:
    RingProvider() : QQuickImageProvider(QQuickImageProvider::Image) {}
    /// The symbols asked for, with their query (the colour).
    QStringList requested;
    QImage requestImage(const QString& id, QSize* size, const QSize& requested) override
    {
        this->requested << id;
        const QSize s = requested.isValid() ? requested : QSize(45, 45);
        QImage image(s, QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        QPainter p(&image);
        p.setRenderHint(QPainter::Antialiasing);
        p.setPen(QPen(QColor(128, 128, 128), s.width() / 8.0));
        p.drawEllipse(QRectF(image.rect()).adjusted(4, 4, -4, -4));
        *size = s;
        return image;
    }
};

struct Shot {
    const char* theme;
    bool image;
};

class ClipToastRender : public ToastViewModelTest, public ::testing::WithParamInterface<Shot> {};

} // namespace

TEST_P(ClipToastRender, DrawsThePillHangingFromTheTopEdge)
{
    const Shot shot = GetParam();
    QQuickView view;
    auto* symbols = new RingProvider;
    view.engine()->addImageProvider(QStringLiteral("symbol"), symbols);
    const QColor backdrop(0x4a, 0x6f, 0x8f);
    view.setColor(backdrop);
    view.setInitialProperties({{"viewModel", QVariant::fromValue<QObject*>(&model)},
                               {"theme", QString::fromLatin1(shot.theme)},
                               {"animated", false}});
    view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ClipToast.qml")));
    ASSERT_EQ(view.status(), QQuickView::Ready) << view.errors().value(0).toString().toStdString();
    view.show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(&view));

    if (shot.image)
        controller.show(imageToast(test::solidPng({320, 200}, QColor(220, 60, 40))));
    else
        controller.show(textToast("Reunión a las 10:30 en la sala Brisa, con el equipo de diseño y producto"));
    scheduler.advance(1s); // a quarter of the countdown gone
    model.updateFraction();

    // Data URLs load in the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view.rootObject()->property("thumbnailReady").toBool(); }));
    QImage image;
    for (int i = 0; i < 5; ++i) { // let the scene pick up the changes
        QCoreApplication::processEvents();
        image = view.grabWindow();
    }
    ASSERT_EQ(image.size(), QSize(440, 130) * image.devicePixelRatio());
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/toast-shots");
    QDir().mkpath(dir);
    const QString file = dir + QStringLiteral("/toast-%1-%2.png").arg(shot.theme, shot.image ? "image" : "text");
    EXPECT_TRUE(image.save(file));

    // Transparent margins beside the pill, the pill's fill inside it, hanging from the top edge.
    EXPECT_EQ(image.pixelColor(5, 5), backdrop);
    EXPECT_EQ(image.pixelColor(220, 125), backdrop);
    const QColor fill = image.pixelColor(220, 10);
    if (QByteArray(shot.theme) == "light")
        EXPECT_GT(fill.lightness(), 200) << file.toStdString();
    else
        EXPECT_LT(fill.lightness(), 80) << file.toStdString();
    if (!shot.image && QByteArray(shot.theme) != "light") {
        // A quarter of the countdown gone: the border has left the left side and still runs up the
        // right one (the text pill is 360 wide, its sides 12 in from its edges; only pixels inside the fill).
        auto brightest = [&](int from, int to, int y) {
            int best = 0;
            for (int x = from; x <= to; ++x)
                best = std::max(best, image.pixelColor(x, y).lightness());
            return best;
        };
        EXPECT_GT(brightest(383, 387, 50), fill.lightness() + 30);
        EXPECT_LT(brightest(52, 56, 50), fill.lightness() + 30);
    }
    if (!shot.image) { // the kind's symbol in the text's colour, readable on the pill
        EXPECT_EQ(symbols->requested.value(0),
                  QByteArray(shot.theme) == "light" ? "doc.on.clipboard?color=000000" : "doc.on.clipboard?color=ffffff");
    }
    if (shot.image) {
        // The whole 72 × 58 thumbnail is on screen, rounded at its corners.
        int thumbnailPixels = 0;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x) {
                const QColor c = image.pixelColor(x, y);
                thumbnailPixels += c.red() > 180 && c.green() < 100 && c.blue() < 100;
            }
        EXPECT_GT(thumbnailPixels, 72 * 58 * 9 / 10);
        EXPECT_LE(thumbnailPixels, 72 * 58);
    }
}

INSTANTIATE_TEST_SUITE_P(Themes, ClipToastRender,
                         ::testing::Values(Shot{"dark", false}, Shot{"dark", true}, Shot{"light", false},
                                           Shot{"light", true}, Shot{"liquidGlass", false}, Shot{"liquidGlass", true}),
                         [](const auto& info) {
                             return std::string(info.param.theme) + (info.param.image ? "Image" : "Text");
                         });

// ---- The reveal and exit motion, on an animation clock the test moves by hand.

namespace {

/// Qt's animations read this clock instead of the real one, one 16 ms frame per step.
class SteppedAnimationDriver : public QAnimationDriver {
public:
    qint64 elapsed() const override { return now_; }
    void step(int frames = 1)
    {
        for (int i = 0; i < frames; ++i) {
            // Animations that were just started register with the timer from the event loop.
            QCoreApplication::processEvents();
            now_ += 16;
            advance();
        }
    }

private:
    qint64 now_ = 0;
};

class ClipToastMotion : public ToastViewModelTest {
protected:
    void SetUp() override
    {
        ToastViewModelTest::SetUp();
        driver.install();
        view = std::make_unique<QQuickView>(); // needs the application made by SetUp
        view->engine()->addImageProvider(QStringLiteral("symbol"), new RingProvider);
        view->setInitialProperties({{"viewModel", QVariant::fromValue<QObject*>(&model)}});
        view->setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ClipToast.qml")));
        ASSERT_EQ(view->status(), QQuickView::Ready);
    }
    void TearDown() override
    {
        view.reset();
        driver.uninstall();
    }

    double scaleP() const { return view->rootObject()->property("scaleP").toDouble(); }
    double offsetP() const { return view->rootObject()->property("offsetP").toDouble(); }

    SteppedAnimationDriver driver;
    std::unique_ptr<QQuickView> view;
};

} // namespace

TEST_F(ClipToastMotion, SpringsInOvershootingALittleAndSlidesDownInAThirdOfASecond)
{
    EXPECT_EQ(scaleP(), 0.0);
    controller.show(textToast("a"));
    double highest = 0;
    for (int frame = 0; frame < 20; ++frame) { // 320 ms
        driver.step();
        highest = std::max(highest, scaleP());
    }
    EXPECT_DOUBLE_EQ(offsetP(), 1.0);
    for (int frame = 0; frame < 100; ++frame) {
        driver.step();
        highest = std::max(highest, scaleP());
    }
    // A damping fraction of 0.58 overshoots by about a tenth, then settles.
    EXPECT_GT(highest, 1.03);
    EXPECT_LT(highest, 1.2);
    EXPECT_NEAR(scaleP(), 1.0, 0.005);
}

TEST_F(ClipToastMotion, EasesOutInAFifthOfASecondAndIsRemovedAfterIt)
{
    controller.show(textToast("a"));
    driver.step(120);
    controller.dismissNow();
    driver.step(6);
    EXPECT_GT(offsetP(), 0.0);
    driver.step(7); // 208 ms
    EXPECT_EQ(scaleP(), 0.0);
    EXPECT_EQ(offsetP(), 0.0);
    EXPECT_TRUE(model.hasData());
    scheduler.advance(350ms);
    EXPECT_FALSE(model.hasData());
}

TEST_F(ClipToastMotion, ADraggedPillShrinksToItsThumbnailWithASpringAndANewToastUndoesItAtOnce)
{
    auto collapseP = [&] {
        auto* pill = view->rootObject()->childItems().value(0);
        for (auto* child : view->rootObject()->childItems())
            if (child->property("collapseP").isValid())
                pill = child;
        return pill->property("collapseP").toDouble();
    };
    controller.show(imageToast(test::solidPng({40, 40}, Qt::blue)));
    // The thumbnail is a data URL, loaded in the background.
    ASSERT_TRUE(QTest::qWaitFor([&] { return view->rootObject()->property("thumbnailReady").toBool(); }));
    driver.step(60);
    model.dragStarted();
    driver.step(3);
    const double early = collapseP();
    EXPECT_GT(early, 0.0);
    EXPECT_LT(early, 0.9) << "it springs rather than jumps";
    double highest = early;
    for (int frame = 0; frame < 60; ++frame) {
        driver.step();
        highest = std::max(highest, collapseP());
    }
    EXPECT_GT(highest, 1.0) << "a damping fraction of 0.55 overshoots a little";
    EXPECT_NEAR(collapseP(), 1.0, 0.01);

    controller.show(imageToast(test::solidPng({40, 40}, Qt::red)));
    driver.step();
    EXPECT_EQ(collapseP(), 0.0);
}

// What a toast shows of a clip (its text, address, file name or source) is drawn as written.
TEST_F(ToastViewModelTest, MarkupInAClipIsDrawnAsWritten)
{
    QQuickView view;
    view.setInitialProperties({{"viewModel", QVariant::fromValue<QObject*>(&model)}, {"animated", false}});
    view.setSource(QUrl(QStringLiteral("qrc:/qt/qml/Brisa/Ui/qml/ClipToast.qml")));
    ASSERT_EQ(view.status(), QQuickView::Ready) << view.errors().value(0).toString().toStdString();
    const ToastData::Kind kinds[] = {ToastData::Text{"texto <b>no</b>"}, ToastData::Code{"<h1>Hola</h1>"},
                                     ToastData::Link{"https://example.org/?q=<b>x</b>"},
                                     ToastData::File{"<b>informe.pdf"}, ToastData::Image{}};
    for (const auto& kind : kinds) {
        controller.show(ToastData{kind, "<i>Notas</i>", std::nullopt});
        const QString subtitle = model.subtitle();
        ASSERT_TRUE(subtitle.contains(QLatin1Char('<'))) << subtitle.toStdString();
        int found = 0;
        for (QQuickItem* text : view.rootObject()->findChildren<QQuickItem*>()) {
            if (qstrcmp(text->metaObject()->className(), "QQuickText") != 0 ||
                text->property("text").toString() != subtitle)
                continue;
            ++found;
            const QFontMetricsF metrics(text->property("font").value<QFont>());
            EXPECT_NEAR(text->implicitWidth(), metrics.horizontalAdvance(subtitle), 1.5) << subtitle.toStdString();
        }
        EXPECT_EQ(found, 1) << subtitle.toStdString();
    }
}
