#include "core/bitmap_file.h"
#include "core/global_state.h"
#include "tests/support/temp_home.h"
#include "tests/support/xvfb.h"

#include <gif_lib.h>
#include <gtest/gtest.h>
// After gtest: Xlib defines macros (None, Bool) that gtest uses as names.
#include <X11/Xlib.h>

#include <cstdio>
#include <cstring>
#include <jpeglib.h>
#include <thread>

namespace {

DeviceBitmap make_bitmap(int w, int h, int bpp, uint32_t (*colour)(int x, int y))
{
    DeviceBitmap b;
    b.width = w;
    b.height = h;
    b.bits_per_pixel = bpp;
    b.stride_bytes = w * (bpp / 8);
    b.bits.assign(static_cast<size_t>(b.stride_bytes) * static_cast<size_t>(h), 0);
    for (int y = 0; y < h; ++y)
        for (int x = 0; x < w; ++x) {
            uint32_t c = colour(x, y);
            uint8_t* p = b.bits.data() + static_cast<size_t>(y) * static_cast<size_t>(b.stride_bytes) + static_cast<size_t>(x) * (bpp / 8);
            if (bpp == 8) {
                *p = static_cast<uint8_t>(c);
            } else {
                p[0] = static_cast<uint8_t>(c);
                p[1] = static_cast<uint8_t>(c >> 8);
                p[2] = static_cast<uint8_t>(c >> 16);
            }
        }
    return b;
}

uint32_t quadrants(int x, int y) { return x < 3 ? (y < 2 ? 0xff0000u : 0x00ff00u) : (y < 2 ? 0x0000ffu : 0x123456u); }

std::vector<uint8_t> read_bytes(const std::string& path)
{
    std::string text = read_file(path);
    return std::vector<uint8_t>(text.begin(), text.end());
}

uint32_t u32_at(const std::vector<uint8_t>& b, size_t at) { return b[at] | (b[at + 1] << 8) | (b[at + 2] << 16) | (uint32_t(b[at + 3]) << 24); }

struct DecodedJpeg {
    int width = 0, height = 0;
    std::vector<uint8_t> rgb;
};

bool decode_jpeg(const std::string& path, DecodedJpeg& out)
{
    std::FILE* f = std::fopen(path.c_str(), "rb");
    if (!f)
        return false;
    jpeg_decompress_struct info {};
    jpeg_error_mgr err {};
    info.err = jpeg_std_error(&err);
    jpeg_create_decompress(&info);
    jpeg_stdio_src(&info, f);
    jpeg_read_header(&info, TRUE);
    info.out_color_space = JCS_RGB;
    jpeg_start_decompress(&info);
    out.width = static_cast<int>(info.output_width);
    out.height = static_cast<int>(info.output_height);
    out.rgb.resize(static_cast<size_t>(out.width) * out.height * 3);
    while (info.output_scanline < info.output_height) {
        JSAMPROW row = out.rgb.data() + static_cast<size_t>(info.output_scanline) * out.width * 3;
        jpeg_read_scanlines(&info, &row, 1);
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    std::fclose(f);
    return true;
}

bool near_colour(const DecodedJpeg& j, int x, int y, uint32_t want, int tolerance = 12)
{
    const uint8_t* p = j.rgb.data() + (static_cast<size_t>(y) * j.width + x) * 3;
    int r = int(want >> 16 & 0xff), g = int(want >> 8 & 0xff), b = int(want & 0xff);
    return std::abs(p[0] - r) <= tolerance && std::abs(p[1] - g) <= tolerance && std::abs(p[2] - b) <= tolerance;
}

} // namespace

TEST(BmpFile, WritesHeadAndBottomUpRowsThatReadBack)
{
    TempHome home;
    DeviceBitmap bitmap = make_bitmap(5, 4, 32, quadrants);
    auto dib = ddb_to_dib(bitmap, nullptr);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bit_count(), 24);
    EXPECT_EQ(dib->width(), 5);
    EXPECT_EQ(dib->height(), 4);
    std::string path = home.root() + "/a.bmp";
    ASSERT_EQ(dib_write_bmp_file(*dib, path), 1);
    auto bytes = read_bytes(path);
    ASSERT_EQ(bytes.size(), dib->bytes.size() + 14);
    EXPECT_EQ(bytes[0], 'B');
    EXPECT_EQ(bytes[1], 'M');
    EXPECT_EQ(u32_at(bytes, 2), bytes.size());
    EXPECT_EQ(u32_at(bytes, 6), 0u);
    EXPECT_EQ(u32_at(bytes, 10), 54u);
    // Rows are 16 bytes (15 padded); the first row in the file is the bottom one.
    const uint8_t* bottom_left = bytes.data() + 54;
    EXPECT_EQ(bottom_left[0], 0x00);
    EXPECT_EQ(bottom_left[1], 0xff);
    const uint8_t* top_right = bytes.data() + 54 + 16 * 3 + 4 * 3;
    EXPECT_EQ(top_right[0], 0xff);
    EXPECT_EQ(top_right[2], 0x00);

    auto back = dib_read_bmp_file(path);
    ASSERT_TRUE(back);
    EXPECT_EQ(back->bytes, dib->bytes);
    EXPECT_EQ(dib_write_bmp_file(*dib, home.root() + "/no/such/folder/a.bmp"), 0);
}

TEST(BmpFile, PaletteBitmapsKeepTheirColourTableBeforeThePixels)
{
    TempHome home;
    DeviceBitmap bitmap = make_bitmap(3, 2, 8, [](int x, int) -> uint32_t { return static_cast<uint32_t>(x); });
    DibPalette palette { { 0, 0, 255, 0 }, { 0, 255, 0, 0 }, { 255, 0, 0, 0 } };
    auto dib = ddb_to_dib(bitmap, &palette);
    ASSERT_TRUE(dib);
    EXPECT_EQ(dib->bit_count(), 8);
    EXPECT_EQ(dib->colour_count(), 256u);
    std::string path = home.root() + "/p.bmp";
    ASSERT_EQ(dib_write_bmp_file(*dib, path), 1);
    auto bytes = read_bytes(path);
    EXPECT_EQ(u32_at(bytes, 10), 14u + 40u + 1024u);
    EXPECT_EQ(bytes[14 + 40 + 2], 255);  // entry 0 red
    EXPECT_EQ(bytes[14 + 40 + 1024 + 2], 2);  // third pixel of the bottom row

    auto without = ddb_to_dib(bitmap, nullptr);
    ASSERT_TRUE(without);
    EXPECT_EQ(without->colours()[19 * 4], 255);  // default palette ends in white
}

TEST(BmpFile, RefusesBrokenInput)
{
    TempHome home;
    DeviceBitmap empty;
    EXPECT_EQ(ddb_to_dib(empty, nullptr), nullptr);
    DeviceBitmap short_bits = make_bitmap(4, 4, 32, quadrants);
    short_bits.bits.resize(10);
    EXPECT_EQ(ddb_to_dib(short_bits, nullptr), nullptr);

    std::string path = home.root() + "/cut.bmp";
    auto dib = ddb_to_dib(make_bitmap(5, 4, 32, quadrants), nullptr);
    ASSERT_EQ(dib_write_bmp_file(*dib, path), 1);
    std::string text = read_file(path);
    for (size_t cut : { size_t { 0 }, size_t { 10 }, size_t { 60 }, text.size() - 1 }) {
        std::FILE* f = std::fopen(path.c_str(), "wb");
        std::fwrite(text.data(), 1, cut, f);
        std::fclose(f);
        EXPECT_EQ(dib_read_bmp_file(path), nullptr) << cut;
    }
    EXPECT_EQ(dib_read_bmp_file(home.root() + "/missing.bmp"), nullptr);
}

TEST(BmpCompare, SameSizeDepthAndBitsOnly)
{
    DeviceBitmap a = make_bitmap(6, 4, 32, quadrants);
    DeviceBitmap same = a;
    DeviceBitmap changed = a;
    changed.bits[5] ^= 1;
    DeviceBitmap deeper = make_bitmap(6, 4, 24, quadrants);
    DeviceBitmap wider = make_bitmap(7, 4, 32, quadrants);
    DeviceBitmap taller = make_bitmap(6, 5, 32, quadrants);
    // Differences beyond the first 200000 bytes are not looked at.
    DeviceBitmap big = make_bitmap(400, 200, 32, quadrants);
    DeviceBitmap big_late_change = big;
    big_late_change.bits.back() ^= 1;
    struct Case {
        const DeviceBitmap* a;
        const DeviceBitmap* b;
        int want;
    } cases[] = {
        { &a, &same, 0 },  { &a, &changed, -1 }, { &a, &deeper, -1 }, { &a, &wider, -1 },
        { &a, &taller, -1 }, { &a, nullptr, -1 }, { nullptr, &a, -1 }, { &big, &big_late_change, 0 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(bmp_compare(c.a, c.b), c.want) << (&c - cases);
}

TEST(DibToRgb, ConvertsEveryPaletteDepthAndRefusesOthers)
{
    CBitmapFile file;
    // 2 x 2 DIBs of each depth whose pixels are colour indexes 0 and 1.
    auto make = [](int bits, std::vector<uint8_t> rows) {
        PackedDib dib;
        size_t colours = bits <= 8 ? (size_t { 1 } << bits) : 0;
        dib.bytes.assign(40 + colours * 4, 0);
        dib.bytes[0] = 40;
        dib.bytes[4] = 2;
        dib.bytes[8] = 2;
        dib.bytes[12] = 1;
        dib.bytes[14] = static_cast<uint8_t>(bits);
        if (colours) {
            dib.bytes[40 + 2] = 200;  // entry 0: red 200
            dib.bytes[44 + 0] = 100;  // entry 1: blue 100
        }
        dib.bytes.insert(dib.bytes.end(), rows.begin(), rows.end());
        return dib;
    };
    struct Case {
        int bits;
        std::vector<uint8_t> rows;  // bottom row first, 4-byte padded
    } cases[] = {
        { 1, { 0x40, 0, 0, 0, 0x80, 0, 0, 0 } },
        { 4, { 0x01, 0, 0, 0, 0x10, 0, 0, 0 } },
        { 8, { 0, 1, 0, 0, 1, 0, 0, 0 } },
        { 24, { 0, 0, 200, 100, 0, 0, 0, 0, 100, 0, 0, 0, 0, 200, 0, 0 } },
    };
    for (const Case& c : cases) {
        std::vector<uint8_t> rgb;
        ASSERT_EQ(file.DibToRgb(make(c.bits, c.rows), rgb), 0) << c.bits;
        // Top row: blue 100, red 200; bottom row: red 200, blue 100.
        std::vector<uint8_t> want { 0, 0, 100, 200, 0, 0, 200, 0, 0, 0, 0, 100 };
        EXPECT_EQ(rgb, want) << c.bits;
    }
    std::vector<uint8_t> rgb;
    EXPECT_EQ(file.DibToRgb(make(32, std::vector<uint8_t>(16, 0)), rgb), -1);
    EXPECT_EQ(file.error_text(), "Invalid bitmap bit count");
    EXPECT_EQ(file.DibToRgb(PackedDib {}, rgb), -1);
    EXPECT_EQ(file.error_text(), "Invalid input data");
}

TEST(Jpeg, SavesADibThatDecodesToTheSamePicture)
{
    TempHome home;
    CBitmapFile file;
    DeviceBitmap bitmap = make_bitmap(64, 32, 32, [](int x, int) -> uint32_t { return x < 32 ? 0xff0000u : 0x0000ffu; });
    std::string path = home.root() + "/a.jpg";
    ASSERT_EQ(file.SaveBitmapAsJpeg(bitmap, path), 0);
    DecodedJpeg j;
    ASSERT_TRUE(decode_jpeg(path, j));
    EXPECT_EQ(j.width, 64);
    EXPECT_EQ(j.height, 32);
    EXPECT_TRUE(near_colour(j, 5, 5, 0xff0000));
    EXPECT_TRUE(near_colour(j, 60, 30, 0x0000ff));

    auto dib = ddb_to_dib(bitmap, nullptr);
    std::string bad = home.root() + "/none/a.jpg";
    EXPECT_EQ(file.SaveDibAsJpeg(*dib, bad, 50), -1);
    EXPECT_EQ(file.error_text(), "Cannot open " + bad);
}

TEST(Jpeg, WritersOnAThreadHoldingTheLockDoNotWaitForIt)
{
    TempHome home;
    auto dib = ddb_to_dib(make_bitmap(8, 8, 32, quadrants), nullptr);
    JpegLockWait held(3000);
    ASSERT_TRUE(held.locked());
    CBitmapFile file;
    uint32_t before = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                                std::chrono::steady_clock::now().time_since_epoch()).count());
    EXPECT_EQ(file.SaveDibAsJpeg(*dib, home.root() + "/n.jpg", 80), 0);
    uint32_t after = static_cast<uint32_t>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                               std::chrono::steady_clock::now().time_since_epoch()).count());
    EXPECT_LT(after - before, 2000u);
    // Another thread sees the lock taken.
    bool other_got_it = true;
    std::thread([&] { other_got_it = g_jpeg_lock.try_lock(); if (other_got_it) g_jpeg_lock.unlock(); }).join();
    EXPECT_FALSE(other_got_it);
}

TEST(Gif, FewColoursStayExactAndManyAreReducedTo256)
{
    TempHome home;
    struct Case {
        const char* name;
        uint32_t (*colour)(int, int);
        int tolerance;
    } cases[] = {
        { "four", quadrants, 0 },
        { "ramp", [](int x, int y) -> uint32_t { return static_cast<uint32_t>((x * 4) << 16 | (y * 4) << 8 | ((x + y) * 2)); }, 24 },
    };
    for (const Case& c : cases) {
        DeviceBitmap bitmap = make_bitmap(64, 64, 32, c.colour);
        std::string bmp = home.root() + "/" + c.name + ".bmp";
        std::string gif_path = home.root() + "/" + c.name + ".gif";
        ASSERT_EQ(dib_write_bmp_file(*ddb_to_dib(bitmap, nullptr), bmp), 1);
        ASSERT_EQ(convert_bmp_to_gif(bmp, gif_path), 0) << c.name;
        int error = 0;
        GifFileType* gif = DGifOpenFileName(gif_path.c_str(), &error);
        ASSERT_NE(gif, nullptr);
        ASSERT_EQ(DGifSlurp(gif), GIF_OK);
        ASSERT_EQ(gif->ImageCount, 1);
        ASSERT_EQ(gif->SWidth, 64);
        ASSERT_EQ(gif->SHeight, 64);
        ColorMapObject* map = gif->SColorMap;
        ASSERT_NE(map, nullptr);
        EXPECT_LE(map->ColorCount, 256);
        int worst = 0;
        for (int y = 0; y < 64; ++y)
            for (int x = 0; x < 64; ++x) {
                GifColorType got = map->Colors[gif->SavedImages[0].RasterBits[y * 64 + x]];
                uint32_t want = c.colour(x, y);
                worst = std::max({ worst, std::abs(got.Red - int(want >> 16 & 0xff)), std::abs(got.Green - int(want >> 8 & 0xff)),
                                   std::abs(got.Blue - int(want & 0xff)) });
            }
        EXPECT_LE(worst, c.tolerance) << c.name;
        DGifCloseFile(gif, &error);
    }
    EXPECT_EQ(convert_bmp_to_gif(home.root() + "/missing.bmp", home.root() + "/x.gif"), -1);
}

TEST(PartWindow, CountsAndIndexesAreCheckedInOrder)
{
    CBitmapFile file;
    struct Case {
        int hn, vn, hi, vi;
        const char* error;
    } cases[] = {
        { 0, 0, 0, 0, "hori_num error in CBitmapFile::SavePartWindowAsFile." },
        { 1, 0, 0, 0, "vert_num error in CBitmapFile::SavePartWindowAsFile." },
        { 2, 2, 5, 2, "vert_index error in CBitmapFile::SavePartWindowAsFile." },
        { 2, 2, 2, -1, "vert_index error in CBitmapFile::SavePartWindowAsFile." },
        { 2, 2, 2, 1, "hori_index error in CBitmapFile::SavePartWindowAsFile." },
    };
    for (const Case& c : cases) {
        EXPECT_EQ(file.SavePartWindowAsFile(1, "/tmp/never.jpg", c.hn, c.vn, c.hi, c.vi, 80), -1);
        EXPECT_EQ(file.error_text(), c.error);
    }
    int start = 0, end = 0, covered = 0;
    for (int i = 0; i < 6; ++i) {
        part_span(1001, 6, i, start, end);
        EXPECT_EQ(start, covered);
        covered = end;
    }
    EXPECT_EQ(covered, 1001);
}

TEST(PartWindow, SavesTheRequestedPartOfARealWindow)
{
    XvfbServer xvfb;
    if (!xvfb.running())
        GTEST_SKIP() << "Xvfb could not be started";
    Display* display = XOpenDisplay(xvfb.display().c_str());
    ASSERT_NE(display, nullptr);
    int screen = DefaultScreen(display);
    Window window = XCreateSimpleWindow(display, RootWindow(display, screen), 0, 0, 200, 100, 0, 0, 0);
    XSetWindowAttributes attrs {};
    attrs.override_redirect = True;
    XChangeWindowAttributes(display, window, CWOverrideRedirect, &attrs);
    XMapRaised(display, window);
    XSync(display, False);
    GC gc = XCreateGC(display, window, 0, nullptr);
    // Left half red, right half green, bottom-right quarter blue.
    for (auto [x, y, w, h, colour] : { std::tuple { 0, 0, 100, 100, 0xff0000ul }, std::tuple { 100, 0, 100, 50, 0x00ff00ul },
                                       std::tuple { 100, 50, 100, 50, 0x0000fful } }) {
        XSetForeground(display, gc, colour);
        XFillRectangle(display, window, gc, x, y, static_cast<unsigned>(w), static_cast<unsigned>(h));
    }
    XSync(display, False);

    TempHome home;
    CBitmapFile file;
    std::string path = home.root() + "/part.jpg";
    ASSERT_EQ(file.SavePartWindowAsFile(window, path, 2, 2, 1, 1, 90), 0) << file.error_text();
    DecodedJpeg j;
    ASSERT_TRUE(decode_jpeg(path, j));
    EXPECT_EQ(j.width, 100);
    EXPECT_EQ(j.height, 50);
    EXPECT_TRUE(near_colour(j, 50, 25, 0x0000ff));

    auto top_left = bmp_part_window_to_CBitmap(window, 2, 2, 0, 0);
    auto top_left_again = bmp_part_window_to_CBitmap(window, 2, 2, 0, 0);
    auto top_right = bmp_part_window_to_CBitmap(window, 2, 2, 1, 0);
    ASSERT_TRUE(top_left && top_right);
    EXPECT_EQ(bmp_compare(top_left.get(), top_left_again.get()), 0);
    EXPECT_EQ(bmp_compare(top_left.get(), top_right.get()), -1);
    EXPECT_EQ(bmp_part_window_to_CBitmap(window, 2, 2, 2, 0), nullptr);

    XFreeGC(display, gc);
    XDestroyWindow(display, window);
    XCloseDisplay(display);
    platform::x11_close_display();
}
