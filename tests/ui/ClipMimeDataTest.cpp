// SPDX-License-Identifier: GPL-3.0-or-later
#include "ui/ClipMimeData.h"

#include "fakes/TempDir.h"

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

TEST(ClipMimeDataTest, MissingImageStillCarriesItsUrlButNoImage)
{
    TempDir images;
    const auto data = clipMimeData(ClipDragPayload::imageFile("gone.png"), images.path());
    EXPECT_EQ(data->urls().size(), 1);
    EXPECT_FALSE(data->hasImage());
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
