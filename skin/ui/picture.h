#pragma once
// One picture (BMP, JPEG, GIF and whatever else the image readers know) from a
// file or from memory, drawn scaled into a rectangle.

#include <QImage>
#include <QString>

#include <cstddef>
#include <cstdint>

class QPainter;

class CPicture {
public:
    CPicture() = default;
    virtual ~CPicture() = default;

    // Empties the picture, then loads the whole file. True when a picture resulted.
    bool Load(const QString& path);
    // 1 when the bytes were handed to the reader (an unknown format leaves the
    // picture empty and still gives 1); 0 when they could not be taken.
    int LoadPictureData(const uint8_t* bytes, size_t length);
    // The whole picture into (left, top)-(right, bottom). 1 when drawn.
    int Show(QPainter* dc, int left, int top, int right, int bottom);
    // At (x, y), the size on that device times the factors plus the extra size.
    int ShowMagnified(QPainter* dc, int x, int y, int extra_width, int extra_height, double h_factor, double v_factor);
    void FreePictureData();

    bool empty() const { return picture_.isNull(); }
    const QImage& image() const { return picture_; }

    int32_t m_height = 0; // pixels at 96 pixels per inch
    int32_t m_size = 0;   // bytes of the file last loaded
    int32_t m_width = 0;

private:
    QImage picture_;
};

// The company logo, empty until it has been downloaded. UI thread only.
extern CPicture g_company_logo;
