// SPDX-License-Identifier: GPL-3.0-or-later
#include "platform/qt/QtImageCodec.h"
#include "fakes/LogCapture.h"

#include <QBuffer>
#include <QCoreApplication>
#include <QImage>
#include <QImageWriter>

#include <gtest/gtest.h>

#include <cstring>
#include <string>

using namespace brisa;

namespace {

// Image plugins are found through the application object; one for the whole test run.
void ensureApplication()
{
    static int argc = 1;
    static char name[] = "test_QtImageCodecTest";
    static char* argv[] = {name, nullptr};
    static QCoreApplication* app = QCoreApplication::instance() ? nullptr : new QCoreApplication(argc, argv);
    (void)app;
}

QImage sample()
{
    QImage image(4, 3, QImage::Format_RGB32);
    image.fill(QColor(200, 30, 30));
    return image;
}

Bytes encode(const QImage& image, const char* format)
{
    QByteArray out;
    QBuffer buffer(&out);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, format);
    writer.setQuality(100);
    EXPECT_TRUE(writer.write(image)) << format << ": " << writer.errorString().toStdString();
    return Bytes(out.begin(), out.end());
}

QImage decodePng(const Bytes& png)
{
    return QImage::fromData(reinterpret_cast<const uchar*>(png.data()), static_cast<int>(png.size()), "PNG");
}

void putLe(Bytes& b, std::size_t at, std::uint32_t value, int bytes)
{
    for (int i = 0; i < bytes; ++i)
        b[at + i] = static_cast<std::uint8_t>(value >> (8 * i));
}

// Only a header: a bitmap that claims width × height pixels.
Bytes bmpHeader(std::uint32_t width, std::uint32_t height)
{
    Bytes b(54, 0);
    b[0] = 'B';
    b[1] = 'M';
    putLe(b, 2, 54, 4);
    putLe(b, 10, 54, 4);
    putLe(b, 14, 40, 4);
    putLe(b, 18, width, 4);
    putLe(b, 22, height, 4);
    putLe(b, 26, 1, 2);
    putLe(b, 28, 24, 2);
    return b;
}

class QtImageCodecFormats : public testing::TestWithParam<const char*> {
protected:
    void SetUp() override { ensureApplication(); }
};

TEST_P(QtImageCodecFormats, ConvertsToPngKeepingSizeAndColor)
{
    const QtImageCodec codec;
    const auto png = codec.toPng(encode(sample(), GetParam()));
    ASSERT_TRUE(png);
    ASSERT_GE(png->size(), 8u);
    EXPECT_EQ(std::memcmp(png->data(), "\x89PNG\r\n\x1A\n", 8), 0);
    const QImage back = decodePng(*png);
    ASSERT_FALSE(back.isNull());
    EXPECT_EQ(back.size(), QSize(4, 3));
    const QColor pixel = back.pixelColor(1, 1);
    EXPECT_NEAR(pixel.red(), 200, 8);
    EXPECT_NEAR(pixel.green(), 30, 8);
    EXPECT_NEAR(pixel.blue(), 30, 8);
}

INSTANTIATE_TEST_SUITE_P(Formats, QtImageCodecFormats, testing::Values("png", "jpeg", "bmp", "tiff", "webp"));

TEST(QtImageCodec, DecodesGif)
{
    ensureApplication();
    // A 1×1 GIF; Qt reads GIF but cannot write it.
    const std::string gif("GIF89a\x01\x00\x01\x00\x80\x00\x00\xff\x00\x00\x00\x00\x00"
                          ",\x00\x00\x00\x00\x01\x00\x01\x00\x00\x02\x02\x44\x01\x00;",
                          35);
    const auto png = QtImageCodec{}.toPng(toBytes(gif));
    ASSERT_TRUE(png);
    EXPECT_EQ(decodePng(*png).size(), QSize(1, 1));
}

TEST(QtImageCodec, RefusesWhatIsNotAnImage)
{
    ensureApplication();
    const QtImageCodec codec;
    EXPECT_EQ(codec.toPng({}), std::nullopt);
    EXPECT_EQ(codec.toPng(toBytes("%PDF-1.7 not an image")), std::nullopt);
    Bytes truncated = encode(sample(), "png");
    truncated.resize(truncated.size() / 2);
    EXPECT_EQ(codec.toPng(truncated), std::nullopt);
}

TEST(QtImageCodec, RefusesImagesOverTheHundredMegapixelLimitBeforeDecoding)
{
    ensureApplication();
    test::LogCapture log;
    EXPECT_EQ(QtImageCodec{}.toPng(bmpHeader(20000, 6000)), std::nullopt);
    EXPECT_TRUE(log.contains("demasiados píxeles")) << (log.lines().empty() ? "" : log.lines().front());
}

} // namespace
