// Capture passes over frames the test makes: which tiles a pass reads and
// writes, whole-tile comparison, and the files it leaves.

#include "core/file_util.h"
#include "core/folders.h"
#include "sharing/tile_capture.h"
#include "tests/sharing/tile_versions.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>

#include <jpeglib.h>

#include <dirent.h>

#include <cstdio>
#include <cstring>

using platform::ScreenRect;

namespace {

// A screen in memory that the test paints.
class FakeScreen : public FrameSource {
public:
    FakeScreen(int w, int h) : w_(w), h_(h), pixels_(static_cast<size_t>(w) * static_cast<size_t>(h), 0x101010) {}
    void fill(int x, int y, int w, int h, uint32_t rgb)
    {
        for (int yy = y; yy < y + h; ++yy)
            for (int xx = x; xx < x + w; ++xx)
                pixels_[static_cast<size_t>(yy) * static_cast<size_t>(w_) + static_cast<size_t>(xx)] = rgb;
    }
    bool grab(const ScreenRect& r) override
    {
        ++grabs;
        if (fail_next) {
            fail_next = false;
            return false;
        }
        last = r;
        grabbed_.assign(static_cast<size_t>(r.width) * static_cast<size_t>(r.height), 0);
        for (int y = 0; y < r.height; ++y)
            for (int x = 0; x < r.width; ++x) {
                int sx = r.left + x, sy = r.top + y;
                if (sx >= 0 && sy >= 0 && sx < w_ && sy < h_)
                    grabbed_[static_cast<size_t>(y) * static_cast<size_t>(r.width) + static_cast<size_t>(x)] =
                        pixels_[static_cast<size_t>(sy) * static_cast<size_t>(w_) + static_cast<size_t>(sx)];
            }
        width_ = r.width;
        return true;
    }
    const uint32_t* row(int y) const override { return grabbed_.data() + static_cast<size_t>(y) * static_cast<size_t>(width_); }
    bool used_shared_memory() const override { return true; }
    uint32_t at(int x, int y) const { return pixels_[static_cast<size_t>(y) * static_cast<size_t>(w_) + static_cast<size_t>(x)]; }

    int grabs = 0;
    ScreenRect last;
    bool fail_next = false;

private:
    int w_, h_;
    int width_ = 0;
    std::vector<uint32_t> pixels_;
    std::vector<uint32_t> grabbed_;
};

class TileCaptureTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(create_work_folders(), 0);
        clear_app_sharing();
    }
    void TearDown() override { clear_app_sharing(); }
    TempHome home_;
};

} // namespace

TEST(TileGeometry, TheRightAndBottomRestIsNotShared)
{
    struct Case {
        int w, h, n, tw, th;
    } cases[] = { { 1003, 602, 5, 200, 120 }, { 1920, 1080, 6, 320, 180 }, { 800, 600, 6, 133, 100 }, { 4, 4, 5, 0, 0 }, { 0, 10, 5, 0, 0 } };
    for (const Case& c : cases) {
        TileGeometry g = tile_geometry(c.w, c.h, c.n);
        EXPECT_EQ(g.tile_width, c.tw) << c.w;
        EXPECT_EQ(g.tile_height, c.th) << c.h;
    }
}

TEST(DirtyRegion, CutsOutWhatWasCapturedAndKeepsTheRest)
{
    DirtyRegion region;
    region.add({ 0, 0, 100, 100 });
    region.add({ 50, 50, 100, 100 });  // overlapping: kept as separate pieces
    EXPECT_TRUE(region.intersects({ 140, 140, 5, 5 }));
    region.subtract({ 0, 0, 100, 100 });
    EXPECT_FALSE(region.intersects({ 10, 10, 80, 80 }));
    EXPECT_TRUE(region.intersects({ 120, 120, 5, 5 }));
    region.subtract({ 100, 0, 100, 200 });
    region.subtract({ 0, 100, 100, 100 });
    EXPECT_TRUE(region.empty());
    for (int i = 0; i < 200; ++i)
        region.add({ i * 3, 0, 1, 1 });
    EXPECT_LE(region.pieces().size(), DirtyRegion::piece_limit);
    EXPECT_TRUE(region.intersects({ 300, 0, 1, 1 }));
}

TEST_F(TileCaptureTest, TheFirstPassWritesEveryTileAndLaterPassesOnlyTheRepaintedOnes)
{
    FakeScreen screen(1003, 602);
    TileCapturer capturer(ShareGrid::app);
    const ScreenRect area { 0, 0, 1003, 602 };
    TilePass first = capturer.run_pass(area, screen, true);
    EXPECT_TRUE(first.full);
    EXPECT_EQ(first.written.size(), 25u);
    EXPECT_EQ(versions(ShareGrid::app), std::vector<int>(25, 1));
    EXPECT_EQ(tile_of(ShareGrid::app, 4, 4).pending, 1);
    EXPECT_EQ(tile_of(ShareGrid::app, 4, 4).previous->width, 200);

    // Nothing repainted and hooks in place: the pass ends at once.
    EXPECT_FALSE(capturer.run_pass(area, screen, true).ran);

    // A repaint inside tile (1, 2), reported twice before the pass.
    screen.fill(450, 130, 20, 20, 0xff0000);
    capturer.add_dirty({ 450, 130, 20, 20 });
    capturer.add_dirty({ 455, 135, 5, 5 });
    int grabs = screen.grabs;
    TilePass third = capturer.run_pass(area, screen, true);
    EXPECT_EQ(screen.grabs, grabs + 1);
    EXPECT_EQ(screen.last, (ScreenRect { 400, 120, 200, 120 }));  // only that tile is read
    ASSERT_EQ(third.written.size(), 1u);
    EXPECT_EQ(third.written[0], std::make_pair(1, 2));
    std::vector<int> want(25, 1);
    want[1 * 5 + 2] = 2;
    EXPECT_EQ(versions(ShareGrid::app), want);
    EXPECT_TRUE(capturer.dirty_region().empty());
    EXPECT_FALSE(capturer.dirty());
}

TEST_F(TileCaptureTest, ATileFirstCapturedBetweenFullPassesTakesItsRepaintWithIt)
{
    FakeScreen screen(500, 300);
    TileCapturer capturer(ShareGrid::app);
    const ScreenRect area { 0, 0, 500, 300 };
    screen.fail_next = true;  // the first, full pass reads nothing
    EXPECT_TRUE(capturer.run_pass(area, screen, true).written.empty());
    screen.fill(5, 5, 10, 10, 0xff0000);
    capturer.add_dirty({ 5, 5, 10, 10 });
    EXPECT_EQ(capturer.run_pass(area, screen, true).written.size(), 25u);
    EXPECT_TRUE(capturer.dirty_region().empty());
    // A later repaint elsewhere writes its own tile only, not (0, 0) once more.
    screen.fill(450, 250, 10, 10, 0x00ff00);
    capturer.add_dirty({ 450, 250, 10, 10 });
    TilePass pass = capturer.run_pass(area, screen, true);
    EXPECT_EQ(pass.written, (std::vector<std::pair<int, int>> { { 4, 4 } }));
}

TEST_F(TileCaptureTest, WithoutHooksAChangeShowsAtTheNextFullPass)
{
    FakeScreen screen(500, 300);
    TileCapturer capturer(ShareGrid::app);
    const ScreenRect area { 0, 0, 500, 300 };
    capturer.run_pass(area, screen, false);
    screen.fill(0, 0, 10, 10, 0x00ff00);
    for (int pass = 2; pass <= 5; ++pass)
        EXPECT_TRUE(capturer.run_pass(area, screen, false).written.empty()) << pass;
    TilePass sixth = capturer.run_pass(area, screen, false);
    EXPECT_TRUE(sixth.full);
    ASSERT_EQ(sixth.written.size(), 1u);
    EXPECT_EQ(sixth.written[0], std::make_pair(0, 0));
}

TEST_F(TileCaptureTest, AFullPassComparesTheWholeTileDownToItsLastRow)
{
    // Desktop tiles of a 1920 x 1080 screen hold 230400 bytes: more than the
    // 200000 a compare of the first bytes only would look at.
    FakeScreen screen(1920, 1080);
    TileCapturer capturer(ShareGrid::desk);
    const ScreenRect area { 0, 0, 1920, 1080 };
    capturer.run_pass(area, screen, false);
    screen.fill(640 + 319, 180 + 179, 1, 1, 0xffffff);  // the last pixel of tile (1, 2)
    capturer.set_refresh();  // a menu opened: the next pass is full
    TilePass pass = capturer.run_pass(area, screen, true);
    EXPECT_TRUE(pass.full);
    ASSERT_EQ(pass.written.size(), 1u);
    EXPECT_EQ(pass.written[0], std::make_pair(1, 2));
}

TEST_F(TileCaptureTest, AResizedAreaRewritesEveryTileAtItsNewSize)
{
    FakeScreen screen(1000, 800);
    TileCapturer capturer(ShareGrid::desk);
    capturer.run_pass({ 0, 0, 600, 600 }, screen, true);
    capturer.set_refresh();
    TilePass pass = capturer.run_pass({ 0, 0, 960, 780 }, screen, true);
    EXPECT_EQ(pass.written.size(), 36u);
    EXPECT_EQ(tile_of(ShareGrid::desk, 0, 0).previous->width, 160);
    EXPECT_EQ(tile_of(ShareGrid::desk, 0, 0).previous->height, 130);
    // Too small to cut: nothing is written, nothing breaks.
    capturer.set_refresh();
    EXPECT_TRUE(capturer.run_pass({ 0, 0, 3, 3 }, screen, true).written.empty());
}

TEST_F(TileCaptureTest, TileFilesDecodeToTheCapturedPixelsAndNoTemporaryIsLeft)
{
    FakeScreen screen(600, 300);
    screen.fill(0, 0, 600, 300, 0x3366cc);
    screen.fill(130, 70, 40, 20, 0xffcc00);
    TileCapturer app(ShareGrid::app);
    TileCapturer desk(ShareGrid::desk);
    app.run_pass({ 0, 0, 600, 300 }, screen, true);
    g_desktop_share_quality = 90;
    desk.run_pass({ 0, 0, 600, 300 }, screen, true);

    // Window tile (1, 1): 120 x 60 from (120, 60).
    auto dib = dib_read_bmp_file(tile_picture_path(ShareGrid::app, 1, 1));
    ASSERT_NE(dib, nullptr);
    EXPECT_EQ(dib->width(), 120);
    EXPECT_EQ(std::abs(dib->height()), 60);
    std::vector<uint8_t> rgb;
    CBitmapFile file;
    ASSERT_EQ(file.DibToRgb(*dib, rgb), 0);
    for (int y = 0; y < 60; ++y)
        for (int x = 0; x < 120; ++x) {
            uint32_t want = screen.at(120 + x, 60 + y);
            const uint8_t* p = &rgb[(static_cast<size_t>(y) * 120 + static_cast<size_t>(x)) * 3];
            ASSERT_EQ((p[0] << 16) | (p[1] << 8) | p[2], static_cast<int>(want)) << x << "," << y;
        }
    // The compressed copy holds the same file.
    std::string unpacked = home_.root() + "/unpacked.bmp";
    ASSERT_EQ(z_uncompress_file(tile_z_path(ShareGrid::app, 1, 1), unpacked), 0);
    EXPECT_EQ(read_file(unpacked), read_file(tile_picture_path(ShareGrid::app, 1, 1)));

    // Desktop tile (0, 1): 100 x 50 from (100, 0), within the JPEG's error.
    std::string jpg = read_file(tile_picture_path(ShareGrid::desk, 1, 1));
    jpeg_decompress_struct info {};
    jpeg_error_mgr error {};
    info.err = jpeg_std_error(&error);
    jpeg_create_decompress(&info);
    jpeg_mem_src(&info, reinterpret_cast<const unsigned char*>(jpg.data()), jpg.size());
    ASSERT_EQ(jpeg_read_header(&info, TRUE), JPEG_HEADER_OK);
    jpeg_start_decompress(&info);
    ASSERT_EQ(info.output_width, 100u);
    ASSERT_EQ(info.output_height, 50u);
    std::vector<uint8_t> row(100 * 3);
    long total_error = 0;
    for (int y = 0; y < 50; ++y) {
        JSAMPROW rows[1] = { row.data() };
        jpeg_read_scanlines(&info, rows, 1);
        for (int x = 0; x < 100; ++x) {
            uint32_t want = screen.at(100 + x, 50 + y);
            total_error += std::abs(row[static_cast<size_t>(x) * 3] - static_cast<int>(want >> 16))
                + std::abs(row[static_cast<size_t>(x) * 3 + 1] - static_cast<int>((want >> 8) & 0xff))
                + std::abs(row[static_cast<size_t>(x) * 3 + 2] - static_cast<int>(want & 0xff));
        }
    }
    jpeg_finish_decompress(&info);
    jpeg_destroy_decompress(&info);
    EXPECT_LT(total_error / (100 * 50 * 3), 6);

    DIR* dir = ::opendir((home_.user_folder() + "bmp").c_str());
    ASSERT_NE(dir, nullptr);
    while (dirent* entry = ::readdir(dir))
        EXPECT_EQ(std::strstr(entry->d_name, ".new"), nullptr) << entry->d_name;
    ::closedir(dir);
}

TEST_F(TileCaptureTest, AHeldTileLockTimesOutAndTheTileIsStillWrittenWhole)
{
    FakeScreen screen(100, 100);
    TileCapturer capturer(ShareGrid::app);
    LogCapture log;
    g_app_tile_locks[0][0].lock();
    TilePass pass = capturer.run_pass({ 0, 0, 100, 100 }, screen, true);
    g_app_tile_locks[0][0].unlock();
    EXPECT_EQ(pass.written.size(), 25u);
    EXPECT_TRUE(log.contains("wait for g_mutex_apps[0][0] failed in create_shared_app_files.....\n"));
    EXPECT_NE(dib_read_bmp_file(tile_picture_path(ShareGrid::app, 0, 0)), nullptr);
}
