// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMimeData.h"

#include "core/image/ImageProcessor.h"
#include "fakes/TempDir.h"
#include "fakes/TestImages.h"

#include <QFile>

#include <gtest/gtest.h>

#include <QImage>
#include <QUrl>

using namespace brisa;
using namespace brisa::test;

TEST(ClipMimeDataTest, ImageFileCarriesItsUrlAndTheImage)
{
    TempDir images;
    QImage image(8, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    ASSERT_TRUE(image.save(QString::fromStdString((images / "a.png").string())));

    const auto data = clipMimeData(ClipDragPayload::imageFile("a.png"), images.path());
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front().toLocalFile().toStdString(), (images / "a.png").string());
    EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(8, 4));
}

TEST(ClipMimeDataTest, CompressedAndConvertedImagesCarryTheirFormatAndTheImage)
{
    TempDir images;
    const auto source = gradientImage(30, 10);
    struct Row {
        const char* name;
        std::optional<Bytes> file;
        const char* mime;
    };
    const Row rows[] = {
        {"b.jpg", ImageProcessor::convert(source, ImageFileFormat::Jpeg), "image/jpeg"},
        {"c.tiff", ImageProcessor::convert(source, ImageFileFormat::Tiff), "image/tiff"},
        {"d.heic", ImageProcessor::canEncodeHeic() ? std::optional(ImageProcessor::compress(source, 0.5)->first)
                                                   : std::nullopt,
         "image/heic"},
    };
    for (const auto& r : rows) {
        if (!r.file)
            continue;
        SCOPED_TRACE(r.name);
        QFile out(QString::fromStdString((images / r.name).string()));
        ASSERT_TRUE(out.open(QIODevice::WriteOnly));
        out.write(reinterpret_cast<const char*>(r.file->data()), static_cast<qint64>(r.file->size()));
        out.close();
        const auto data = clipMimeData(ClipDragPayload::imageFile(r.name), images.path());
        EXPECT_EQ(data->data(QLatin1String(r.mime)).size(), static_cast<qsizetype>(r.file->size()));
        EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(30, 10));
        EXPECT_EQ(data->urls().size(), 1);
    }
}

TEST(ClipMimeDataTest, AFileThatIsGoneCarriesNothing)
{
    TempDir images;
    EXPECT_TRUE(clipMimeData(ClipDragPayload::imageFile("gone.png"), images.path())->formats().isEmpty());
    EXPECT_TRUE(clipMimeData(ClipDragPayload::filePath((images / "gone.pdf").string()), {})->formats().isEmpty());
}

TEST(ClipMimeDataTest, ImageNameLeavingTheFolderCarriesNothing)
{
    TempDir images;
    for (const char* name : {"../secret.png", "sub/a.png", "..", ""}) {
        const auto data = clipMimeData(ClipDragPayload::imageFile(name), images.path());
        EXPECT_TRUE(data->formats().isEmpty()) << name;
    }
}

TEST(ClipMimeDataTest, FilePathGivesTheFileAndItsPathAsText)
{
    const auto data = clipMimeData(ClipDragPayload::filePath("/etc/hostname"), "/unused");
    ASSERT_EQ(data->urls().size(), 1);
    EXPECT_EQ(data->urls().front(), QUrl::fromLocalFile(QStringLiteral("/etc/hostname")));
    EXPECT_EQ(data->text(), QStringLiteral("/etc/hostname"));
}

TEST(ClipMimeDataTest, TextGivesPlainText)
{
    const auto data = clipMimeData(ClipDragPayload::text("hola ñ"), "/unused");
    EXPECT_EQ(data->text(), QStringLiteral("hola ñ"));
    EXPECT_FALSE(data->hasUrls());
}

TEST(ClipMimeDataTest, AnImageDragShowsTheImageFittedWithin220Points)
{
    TempDir images;
    QImage wide(880, 440, QImage::Format_ARGB32);
    wide.fill(Qt::green);
    ASSERT_TRUE(wide.save(QString::fromStdString((images / "wide.png").string())));
    QImage small(20, 40, QImage::Format_ARGB32);
    small.fill(Qt::blue);
    ASSERT_TRUE(small.save(QString::fromStdString((images / "small.png").string())));

    for (auto [name, size] : {std::pair{"wide.png", QSize(220, 110)}, {"small.png", QSize(110, 220)}}) {
        const auto payload = ClipDragPayload::imageFile(name);
        EXPECT_EQ(clipDragPreview(payload, *clipMimeData(payload, images.path())).size(), size) << name;
    }
}

TEST(ClipMimeDataTest, AnUnreadableImageDragsAnInvisiblePoint)
{
    TempDir images;
    const auto payload = ClipDragPayload::imageFile("gone.png");
    const QImage preview = clipDragPreview(payload, *clipMimeData(payload, images.path()));
    ASSERT_EQ(preview.size(), QSize(1, 1));
    EXPECT_EQ(qAlpha(preview.pixel(0, 0)), 0);
}

TEST(ClipMimeDataTest, OtherDragsKeepThePlatformPicture)
{
    const auto text = ClipDragPayload::text("hola");
    EXPECT_TRUE(clipDragPreview(text, *clipMimeData(text, "/unused")).isNull());
    const auto file = ClipDragPayload::filePath("/etc/hostname");
    EXPECT_TRUE(clipDragPreview(file, *clipMimeData(file, "/unused")).isNull());
}
