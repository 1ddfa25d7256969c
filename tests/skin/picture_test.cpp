#include "skin/ui/picture.h"
#include "tests/support/temp_home.h"

#include <QBuffer>
#include <QFile>
#include <QImage>
#include <QPainter>
#include <gtest/gtest.h>

namespace {

// A 2 x 1 picture: red on the left, blue on the right.
QImage two_colour_image()
{
    QImage image(2, 1, QImage::Format_RGB32);
    image.setPixelColor(0, 0, Qt::red);
    image.setPixelColor(1, 0, Qt::blue);
    return image;
}

// A 1 x 1 GIF whose one pixel is palette entry 0, green.
QByteArray one_pixel_gif()
{
    const unsigned char bytes[] = {
        'G', 'I', 'F', '8', '9', 'a', 1, 0, 1, 0, 0x80, 0, 0, // screen 1 x 1, 2-entry table
        0x00, 0xff, 0x00, 0x00, 0x00, 0x00,                   // green, black
        0x2c, 0, 0, 0, 0, 1, 0, 1, 0, 0,                     // image 1 x 1 at 0, 0
        2, 2, 0x44, 0x01, 0,                                 // code size 2: clear, 0, end
        0x3b,
    };
    return QByteArray(reinterpret_cast<const char*>(bytes), sizeof bytes);
}

bool write(const QString& path, const QByteArray& data)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(data) == data.size();
}

} // namespace

TEST(Picture, LoadsBmpJpegAndGifWithTheirSizes)
{
    TempHome home;
    QString dir = QString::fromStdString(home.root());
    QImage big(40, 30, QImage::Format_RGB32);
    big.fill(QColor(200, 100, 50));
    ASSERT_TRUE(big.save(dir + "/p.bmp", "BMP"));
    ASSERT_TRUE(big.save(dir + "/p.jpg", "JPEG"));
    ASSERT_TRUE(write(dir + "/p.gif", one_pixel_gif()));

    struct Case {
        const char* name;
        int w, h;
        QColor colour;
    };
    for (Case c : { Case { "/p.bmp", 40, 30, QColor(200, 100, 50) }, Case { "/p.jpg", 40, 30, QColor(200, 100, 50) },
                    Case { "/p.gif", 1, 1, QColor(0, 255, 0) } }) {
        CPicture picture;
        ASSERT_TRUE(picture.Load(dir + c.name)) << c.name;
        EXPECT_EQ(picture.m_width, c.w);
        EXPECT_EQ(picture.m_height, c.h);
        EXPECT_EQ(picture.m_size, QFile(dir + c.name).size());
        QColor got = picture.image().pixelColor(0, 0);
        EXPECT_NEAR(got.red(), c.colour.red(), 6) << c.name;
        EXPECT_NEAR(got.green(), c.colour.green(), 6) << c.name;
        EXPECT_NEAR(got.blue(), c.colour.blue(), 6) << c.name;
    }
}

TEST(Picture, UnknownBytesLoadNothingButTheDataCallSucceeds)
{
    TempHome home;
    QString path = QString::fromStdString(home.root()) + "/junk.bin";
    ASSERT_TRUE(write(path, QByteArray("this is no picture at all")));
    CPicture picture;
    const uint8_t junk[] = { 1, 2, 3, 4, 5 };
    EXPECT_EQ(picture.LoadPictureData(junk, sizeof junk), 1);
    EXPECT_TRUE(picture.empty());
    EXPECT_FALSE(picture.Load(path));
    EXPECT_EQ(picture.m_size, 25);
    EXPECT_EQ(picture.m_width, 0);
    EXPECT_FALSE(picture.Load(path + ".missing"));
    EXPECT_TRUE(picture.empty());
}

TEST(Picture, SecondLoadReplacesTheFirst)
{
    TempHome home;
    QString dir = QString::fromStdString(home.root());
    ASSERT_TRUE(two_colour_image().save(dir + "/a.bmp", "BMP"));
    ASSERT_TRUE(write(dir + "/b.gif", one_pixel_gif()));
    CPicture picture;
    ASSERT_TRUE(picture.Load(dir + "/a.bmp"));
    EXPECT_EQ(picture.m_width, 2);
    ASSERT_TRUE(picture.Load(dir + "/b.gif"));
    EXPECT_EQ(picture.m_width, 1);
    picture.FreePictureData();
    EXPECT_TRUE(picture.empty());
    EXPECT_EQ(picture.m_size, 0);
}

TEST(Picture, ShowScalesUprightAndRefusesEmptyRectangles)
{
    CPicture picture;
    QImage source = two_colour_image();
    QByteArray bmp;
    {
        QBuffer buffer(&bmp);
        buffer.open(QIODevice::WriteOnly);
        source.save(&buffer, "BMP");
    }
    ASSERT_EQ(picture.LoadPictureData(reinterpret_cast<const uint8_t*>(bmp.constData()), static_cast<size_t>(bmp.size())), 1);
    QImage canvas(40, 20, QImage::Format_RGB32);
    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        EXPECT_EQ(picture.Show(&p, 10, 5, 10, 15), 0);
        EXPECT_EQ(picture.Show(&p, 10, 5, 30, 5), 0);
        EXPECT_EQ(picture.Show(nullptr, 0, 0, 10, 10), 0);
        EXPECT_EQ(canvas.pixelColor(15, 10), QColor(Qt::white));
        EXPECT_EQ(picture.Show(&p, 10, 5, 30, 15), 1);
    }
    EXPECT_EQ(canvas.pixelColor(11, 10), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(28, 10), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(9, 10), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(31, 10), QColor(Qt::white));

    canvas.fill(Qt::white);
    {
        QPainter p(&canvas);
        // Twice the size plus 4 x 2 extra.
        EXPECT_EQ(picture.ShowMagnified(&p, 0, 0, 4, 2, 2.0, 2.0), 1);
    }
    EXPECT_EQ(canvas.pixelColor(0, 0), QColor(Qt::red));
    EXPECT_EQ(canvas.pixelColor(7, 3), QColor(Qt::blue));
    EXPECT_EQ(canvas.pixelColor(8, 0), QColor(Qt::white));
    EXPECT_EQ(canvas.pixelColor(0, 4), QColor(Qt::white));
}
