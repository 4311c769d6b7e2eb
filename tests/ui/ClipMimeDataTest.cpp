// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMimeData.h"

#include "core/image/ImageLibrary.h"
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

    const auto data = clipMimeData(ClipDragPayload::imageFile("a.png"), images.path(), &linkedImageLibrary());
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
        const auto data = clipMimeData(ClipDragPayload::imageFile(r.name), images.path(), &linkedImageLibrary());
        EXPECT_EQ(data->data(QLatin1String(r.mime)).size(), static_cast<qsizetype>(r.file->size()));
        EXPECT_EQ(qvariant_cast<QImage>(data->imageData()).size(), QSize(30, 10));
        EXPECT_EQ(data->urls().size(), 1);
    }
}

TEST(ClipMimeDataTest, TextFormatsOfEachPayloadAndNothingForAFileGoneOrANameLeavingTheFolder)
{
    TempDir folder;
    const std::filesystem::path images = folder / "imgs";
    std::filesystem::create_directories(images);
    writeFile(images / "A.png", "png");
    writeFile(folder / "a b.pdf", "pdf");
    const std::string pdf = (folder / "a b.pdf").string();
    const auto url = [](const std::filesystem::path& p) {
        return QUrl::fromLocalFile(QString::fromStdString(p.string())).toString(QUrl::FullyEncoded);
    };
    const struct {
        ClipDragPayload payload;
        QVariantMap mime;
    } cases[] = {
        {ClipDragPayload::text("hola ñ"), {{"text/plain", "hola ñ"}}},
        {ClipDragPayload::filePath(pdf), {{"text/uri-list", url(pdf)}, {"text/plain", QString::fromStdString(pdf)}}},
        {ClipDragPayload::filePath((folder / "gone.pdf").string()), {}},
        {ClipDragPayload::filePath("relative.pdf"), {}},
        {ClipDragPayload::imageFile("A.png"), {{"text/uri-list", url(images / "A.png")}}},
        {ClipDragPayload::imageFile("B.png"), {}},
        {ClipDragPayload::imageFile("../secret"), {}},
        {ClipDragPayload::imageFile(".."), {}},
        {ClipDragPayload::imageFile("sub/A.png"), {}},
        {ClipDragPayload::imageFile("/etc/passwd"), {}},
        {ClipDragPayload::imageFile(""), {}},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.payload.value);
        EXPECT_EQ(clipMimeTexts(c.payload, images), c.mime);
        // The full data carries the same, no image without a file.
        const auto data = clipMimeData(c.payload, images, &linkedImageLibrary());
        EXPECT_EQ(data->hasUrls(), c.mime.contains("text/uri-list"));
        EXPECT_EQ(data->hasFormat("text/plain"), c.mime.contains("text/plain"));
        if (c.mime.isEmpty()) {
            EXPECT_TRUE(data->formats().isEmpty());
        }
    }
    EXPECT_TRUE(clipMimeTexts(ClipDragPayload::imageFile("A.png"), {}).isEmpty());
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
        EXPECT_EQ(clipDragPreview(payload, *clipMimeData(payload, images.path(), &linkedImageLibrary())).size(), size)
            << name;
    }
}

TEST(ClipMimeDataTest, AnUnreadableImageDragsAnInvisiblePoint)
{
    TempDir images;
    const auto payload = ClipDragPayload::imageFile("gone.png");
    const QImage preview = clipDragPreview(payload, *clipMimeData(payload, images.path(), &linkedImageLibrary()));
    ASSERT_EQ(preview.size(), QSize(1, 1));
    EXPECT_EQ(qAlpha(preview.pixel(0, 0)), 0);
}

TEST(ClipMimeDataTest, OtherDragsKeepThePlatformPicture)
{
    const auto text = ClipDragPayload::text("hola");
    EXPECT_TRUE(clipDragPreview(text, *clipMimeData(text, "/unused", &linkedImageLibrary())).isNull());
    const auto file = ClipDragPayload::filePath("/etc/hostname");
    EXPECT_TRUE(clipDragPreview(file, *clipMimeData(file, "/unused", &linkedImageLibrary())).isNull());
}
