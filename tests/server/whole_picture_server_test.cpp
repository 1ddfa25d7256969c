// Whole pictures and members' pictures through the real server: a share's
// tiles composed into one picture for a late joiner and a re-identified
// viewer, the desktop picture's freshness decided by the viewer's
// difference (nothing while current, the picture when changed, refused
// when it lies), and the pictures of --pictures by name to a newcomer and by
// id to the others once their member list holds the newcomer.

#include "core/messages.h"
#include "core/text_util.h"
#include "server/member_pictures.h"
#include "server/whole_picture_compose.h"
#include "sharing/file_diff.h"
#include "tests/support/headless_peer.h"
#include "tests/support/random_bytes.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"

#include <gtest/gtest.h>
#include <turbojpeg.h>

#include <cstring>
#include <filesystem>
#include <fstream>

namespace {

struct Rgb {
    uint8_t r, g, b;
};

Rgb tile_colour(int row, int column) { return Rgb { static_cast<uint8_t>(30 + 40 * row), static_cast<uint8_t>(220 - 35 * column), 90 }; }

std::string jpeg_of(int w, int h, Rgb c)
{
    std::vector<uint8_t> rgb(static_cast<size_t>(w * h) * 3);
    for (size_t i = 0; i < rgb.size(); i += 3) {
        rgb[i] = c.r;
        rgb[i + 1] = c.g;
        rgb[i + 2] = c.b;
    }
    tjhandle t = tjInitCompress();
    unsigned char* out = nullptr;
    unsigned long len = 0;
    EXPECT_EQ(tjCompress2(t, rgb.data(), w, 0, h, TJPF_RGB, &out, &len, TJSAMP_444, 95, 0), 0);
    std::string jpeg(reinterpret_cast<const char*>(out), len);
    tjFree(out);
    tjDestroy(t);
    return jpeg;
}

void put32(std::string& s, uint32_t v)
{
    for (int i = 0; i < 4; ++i)
        s.push_back(static_cast<char>(v >> (8 * i)));
}

// A 24-bit ".bmp" as the sharer writes a window's tile.
std::string bmp_of(int w, int h, Rgb c)
{
    size_t row = (static_cast<size_t>(w) * 3 + 3) & ~size_t { 3 };
    std::string s = "BM";
    put32(s, static_cast<uint32_t>(54 + row * static_cast<size_t>(h)));
    put32(s, 0);
    put32(s, 54);
    put32(s, 40);
    put32(s, static_cast<uint32_t>(w));
    put32(s, static_cast<uint32_t>(h));
    s += std::string("\x01\x00\x18\x00", 4);
    for (int i = 0; i < 6; ++i)
        put32(s, 0);
    for (int y = 0; y < h; ++y) {
        std::string line(row, '\0');
        for (int x = 0; x < w; ++x) {
            line[static_cast<size_t>(x) * 3] = static_cast<char>(c.b);
            line[static_cast<size_t>(x) * 3 + 1] = static_cast<char>(c.g);
            line[static_cast<size_t>(x) * 3 + 2] = static_cast<char>(c.r);
        }
        s += line;
    }
    return s;
}

// Decodes a gzipped ".jpg" to RGB rows.
bool decode_picture(const std::string& packed, int& w, int& h, std::vector<uint8_t>& rgb)
{
    std::string jpeg;
    if (!gunzip_bytes(packed, jpeg, 64u << 20))
        return false;
    tjhandle t = tjInitDecompress();
    int sub = 0, space = 0;
    bool ok = tjDecompressHeader3(t, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), &w, &h, &sub, &space) == 0;
    if (ok) {
        rgb.resize(static_cast<size_t>(w * h) * 3);
        ok = tjDecompress2(t, reinterpret_cast<const unsigned char*>(jpeg.data()), jpeg.size(), rgb.data(), w, 0, h, TJPF_RGB, 0) == 0;
    }
    tjDestroy(t);
    return ok;
}

std::string u32(uint32_t v)
{
    std::string s;
    put32(s, v);
    return s;
}

class WholePictureServer : public ::testing::Test {
protected:
    static constexpr int tile_w = 40, tile_h = 30;

    void SetUp() override
    {
        ASSERT_EQ(ann_.connect("127.0.0.1", server_.port()), 0);
        ASSERT_EQ(ann_.login("ann"), 0);
        ASSERT_GT(ann_.join_room("Pictures"), 0);
    }

    void share_desktop()
    {
        size_t before = ann_.count(MSG_SHARE_DESK_ALLOWED);
        ann_.send(PeerChannel::main, MSG_SHARE_DESK_START);
        ASSERT_TRUE(ann_.await_count(MSG_SHARE_DESK_ALLOWED, before + 1));
    }

    void upload(int row, int column, const std::string& file, int version, bool app = false)
    {
        const int begin = app ? MSG_SHARE_APP_TILE_BEGIN : MSG_SHARE_DESK_TILE_BEGIN;
        const int tile = row * 256 + column;
        const std::string packed = gzip_bytes(file);
        ann_.send(PeerChannel::app, begin, tile);
        for (size_t at = 0; at < packed.size(); at += 900)
            ann_.send(PeerChannel::app, begin + 1, tile, packed.substr(at, 900));
        ann_.send(PeerChannel::app, begin + 2, tile, format_text("%4d:%8d", version, static_cast<int>(packed.size())));
    }

    void desktop_tiles(int version = 1)
    {
        for (int r = 0; r < 6; ++r)
            for (int c = 0; c < 6; ++c)
                upload(r, c, jpeg_of(tile_w, tile_h, tile_colour(r, c)), version);
    }

    // The bytes of the latest file sent as begin / data / end on the application connection.
    static std::string file_of(HeadlessPeer& peer, int begin)
    {
        std::string bytes;
        for (const ArrivedMessage& m : peer.arrived()) {
            if (m.channel != PeerChannel::app)
                continue;
            if (m.head.number == begin)
                bytes.clear();
            else if (m.head.number == begin + 1)
                bytes += m.body;
        }
        return bytes;
    }

    // Joins as name; the whole picture that arrives first (252-254), empty when none came.
    std::string join_late(HeadlessPeer& peer, const std::string& name)
    {
        EXPECT_EQ(peer.connect("127.0.0.1", server_.port()), 0);
        EXPECT_EQ(peer.login(name), 0);
        EXPECT_GT(peer.join_room("Pictures"), 0);
        if (!peer.await_number(MSG_SHARE_DESK_FILE_END))
            return {};
        return file_of(peer, MSG_SHARE_DESK_FILE_BEGIN);
    }

    // The application connection comes anew; the signatures that arrive, empty when none.
    std::string reidentify(HeadlessPeer& peer)
    {
        peer.clear();
        EXPECT_EQ(peer.open_only(PeerChannel::app, "127.0.0.1", server_.port()), 0);
        peer.send(PeerChannel::app, MSG_HELLO_APP, 0, format_text("%6d", peer.customer_id()));
        if (!peer.await_number(MSG_DESK_CS_END))
            return {};
        return file_of(peer, MSG_DESK_CS_BEGIN);
    }

    // Uploads a difference; true when the server answered it with the picture
    // (seen before the answer to a tile request sent after it).
    bool upload_diff_gets_picture(HeadlessPeer& peer, const std::string& diff, size_t piece = 900)
    {
        peer.clear();
        peer.send(PeerChannel::app, MSG_DESK_DIFF_UPLOAD_BEGIN);
        for (size_t at = 0; at < diff.size(); at += piece)
            peer.send(PeerChannel::app, MSG_DESK_DIFF_UPLOAD_DATA, 0, diff.substr(at, piece));
        peer.send(PeerChannel::app, MSG_DESK_DIFF_UPLOAD_END);
        peer.send(PeerChannel::app, MSG_SHARE_DESK_TILE_REQUEST, 0);
        EXPECT_TRUE(peer.await_number(MSG_SHARE_DESK_ONE_FILE_END));
        if (peer.count(MSG_SHARE_DESK_FILE_BEGIN) == 0)
            return false;
        return peer.await_number(MSG_SHARE_DESK_FILE_END).has_value();
    }

    // The difference a client holding held would send against the signatures.
    std::string diff_of(const std::string& held, const std::string& signatures)
    {
        std::ofstream(home_.root() + "/held", std::ios::binary) << held;
        std::ofstream(home_.root() + "/sig", std::ios::binary) << signatures;
        EXPECT_EQ(s_create_diff_file(home_.root() + "/held", home_.root() + "/diff", home_.root() + "/sig"), 0);
        return read_file(home_.root() + "/diff");
    }

    TempHome home_;
    ServerProcess server_;
    HeadlessPeer ann_ { "ann" };
};

} // namespace

TEST_F(WholePictureServer, ALateJoinerGetsTheDesktopMadeOfTheTiles)
{
    share_desktop();
    desktop_tiles();
    HeadlessPeer bob("bob");
    const std::string picture = join_late(bob, "bob");
    int w = 0, h = 0;
    std::vector<uint8_t> rgb;
    ASSERT_TRUE(decode_picture(picture, w, h, rgb));
    ASSERT_EQ(w, 6 * tile_w);
    ASSERT_EQ(h, 6 * tile_h);
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c) {
            const uint8_t* px = rgb.data() + ((r * tile_h + tile_h / 2) * w + c * tile_w + tile_w / 2) * 3;
            Rgb want = tile_colour(r, c);
            EXPECT_NEAR(px[0], want.r, 6) << r << ":" << c;
            EXPECT_NEAR(px[1], want.g, 6) << r << ":" << c;
        }
    // The sharer itself is sent none.
    EXPECT_EQ(ann_.count(MSG_SHARE_DESK_FILE_BEGIN), 0u);
}

TEST_F(WholePictureServer, AViewerAlreadyHoldingTheDesktopIsAskedForItsDifference)
{
    share_desktop();
    desktop_tiles();
    HeadlessPeer bob("bob");
    const std::string held = join_late(bob, "bob");
    ASSERT_FALSE(held.empty());

    // Unchanged: the signatures are of the very picture held, and its difference brings nothing.
    std::string signatures = reidentify(bob);
    ASSERT_EQ(signatures, make_diff_signatures(held));
    EXPECT_FALSE(upload_diff_gets_picture(bob, diff_of(held, signatures)));

    // A tile changed: the next signatures are of a new picture, and the old copy's difference brings it.
    upload(2, 3, jpeg_of(tile_w, tile_h, Rgb { 250, 250, 250 }), 2);
    ASSERT_TRUE(bob.await_number(MSG_SHARE_DESK_TILE_NOTICE));
    signatures = reidentify(bob);
    ASSERT_FALSE(signatures.empty());
    ASSERT_NE(signatures, make_diff_signatures(held));
    ASSERT_TRUE(upload_diff_gets_picture(bob, diff_of(held, signatures)));
    const std::string fresh = file_of(bob, MSG_SHARE_DESK_FILE_BEGIN);
    EXPECT_EQ(make_diff_signatures(fresh), signatures);

    // No copy (an empty difference) and lying differences are answered with the picture.
    const size_t blocks = (fresh.size() + 499) / 500;
    auto copy = [](uint32_t position, uint32_t block) { return u32(position) + u32(diff_kind_copy) + u32(block); };
    struct Case {
        const char* what;
        std::string diff;
        size_t piece = 900;
    };
    const Case cases[] = {
        { "no copy", "" },
        { "a block the signatures did not have", copy(0, static_cast<uint32_t>(blocks)) },
        { "a gap in the positions", copy(0, 0) + copy(600, 1) },
        { "a literal past its data", u32(0) + u32(diff_kind_literal) + u32(5000) + "abc" },
        { "a record cut off", copy(0, 0).substr(0, 7) },
        { "over 16 MiB", std::string(diff_apply_limit + 8000, 'x'), 8000 },
    };
    for (const Case& c : cases) {
        reidentify(bob);
        ASSERT_TRUE(upload_diff_gets_picture(bob, c.diff, c.piece)) << c.what;
        EXPECT_EQ(file_of(bob, MSG_SHARE_DESK_FILE_BEGIN), fresh) << c.what;
    }
    EXPECT_TRUE(server_.wait_for_log("refused: a copy of an unknown block"));
    EXPECT_TRUE(server_.wait_for_log("refused: a literal past its data"));
    EXPECT_TRUE(server_.wait_for_log("(its difference is over 16 MiB: refused)"));
    EXPECT_TRUE(server_.wait_for_log("(no copy)"));
    // A difference nobody asked for is dropped.
    bob.clear();
    EXPECT_FALSE(upload_diff_gets_picture(bob, copy(0, 0)));
}

TEST_F(WholePictureServer, AWindowShareIsOneBmpAndANewShareForgetsTheOld)
{
    size_t before = ann_.count(MSG_202);
    ann_.send(PeerChannel::main, MSG_SHARE_APP_START, ann_.customer_id());
    ASSERT_TRUE(ann_.await_count(MSG_202, before + 1));
    for (int r = 0; r < 5; ++r)
        for (int c = 0; c < 5; ++c)
            upload(r, c, bmp_of(tile_w, tile_h, tile_colour(r, c)), 1, true);
    HeadlessPeer bob("bob");
    ASSERT_EQ(bob.connect("127.0.0.1", server_.port()), 0);
    ASSERT_EQ(bob.login("bob"), 0);
    ASSERT_GT(bob.join_room("Pictures"), 0);
    ASSERT_TRUE(bob.await_number(MSG_SHARE_APP_FILE_END));
    std::string bmp;
    ASSERT_TRUE(gunzip_bytes(file_of(bob, MSG_SHARE_APP_FILE_BEGIN), bmp, 64u << 20));
    ASSERT_GE(bmp.size(), 54u);
    int32_t width = 0, height = 0;
    std::memcpy(&width, bmp.data() + 18, 4);
    std::memcpy(&height, bmp.data() + 22, 4);
    EXPECT_EQ(width, 5 * tile_w);
    EXPECT_EQ(height, 5 * tile_h);
    // Row 0 of the picture is the last row of the file; the pixel of tile (0, 4).
    const size_t row_bytes = (static_cast<size_t>(width) * 3 + 3) & ~size_t { 3 };
    const uint8_t* px = reinterpret_cast<const uint8_t*>(bmp.data()) + 54 + row_bytes * static_cast<size_t>(height - 1) + 4 * tile_w * 3;
    EXPECT_EQ(px[2], tile_colour(0, 4).r);
    EXPECT_EQ(px[1], tile_colour(0, 4).g);
    // Its application connection anew: the window's picture again (no difference for windows).
    bob.clear();
    bob.open_only(PeerChannel::app, "127.0.0.1", server_.port());
    bob.send(PeerChannel::app, MSG_HELLO_APP, 0, format_text("%6d", bob.customer_id()));
    EXPECT_TRUE(bob.await_number(MSG_SHARE_APP_FILE_END));

    // The share stops and a desktop share starts with only part of its tiles: no picture yet.
    ann_.send(PeerChannel::main, MSG_SHARE_APP_STOP, ann_.customer_id());
    ASSERT_TRUE(bob.await_number(MSG_SHARE_APP_ENDED));
    share_desktop();
    upload(0, 0, jpeg_of(tile_w, tile_h, tile_colour(0, 0)), 1);
    HeadlessPeer cy("cy");
    ASSERT_EQ(cy.connect("127.0.0.1", server_.port()), 0);
    ASSERT_EQ(cy.login("cy"), 0);
    ASSERT_GT(cy.join_room("Pictures"), 0);
    cy.send(PeerChannel::app, MSG_SHARE_DESK_TILE_REQUEST, 0);
    ASSERT_TRUE(cy.await_number(MSG_SHARE_DESK_ONE_FILE_END));
    EXPECT_EQ(cy.count(MSG_SHARE_DESK_FILE_BEGIN) + cy.count(MSG_SHARE_APP_FILE_BEGIN), 0u);
}

TEST_F(WholePictureServer, TilesThatMakeNoPictureAreLoggedAndSendNone)
{
    share_desktop();
    for (int r = 0; r < 6; ++r)
        for (int c = 0; c < 6; ++c)
            upload(r, c, r == 3 && c == 3 ? std::string("not a picture") : jpeg_of(tile_w, tile_h, tile_colour(r, c)), 1);
    HeadlessPeer bob("bob");
    ASSERT_EQ(bob.connect("127.0.0.1", server_.port()), 0);
    ASSERT_EQ(bob.login("bob"), 0);
    ASSERT_GT(bob.join_room("Pictures"), 0);
    EXPECT_TRUE(server_.wait_for_log("no whole picture of share"));
    bob.send(PeerChannel::app, MSG_SHARE_DESK_TILE_REQUEST, 0);
    ASSERT_TRUE(bob.await_number(MSG_SHARE_DESK_ONE_FILE_END));
    EXPECT_EQ(bob.count(MSG_SHARE_DESK_FILE_BEGIN), 0u);
}

namespace {

class MemberPicturesServer : public ::testing::Test {
protected:
    MemberPicturesServer()
        : folder_(make_folder()), server_({ "--pictures", folder_ })
    {
    }

    std::string make_folder()
    {
        std::string folder = home_.root() + "/pictures";
        std::filesystem::create_directories(folder);
        std::ofstream(folder + "/ann.jpg", std::ios::binary) << ann_jpeg_;
        std::ofstream(folder + "/bob.jpg", std::ios::binary) << bob_jpeg_;
        std::ofstream(folder + "/big.jpg", std::ios::binary) << random_bytes(200000, 5);
        return folder;
    }

    static std::string picture_of(HeadlessPeer& peer, int begin, const std::function<bool(const ArrivedMessage&)>& is_begin)
    {
        std::string bytes;
        bool in = false;
        for (const ArrivedMessage& m : peer.arrived()) {
            if (m.channel != PeerChannel::app)
                continue;
            if (m.head.number == begin) {
                in = is_begin(m);
                bytes.clear();
            } else if (in && m.head.number == begin + 1) {
                bytes += m.body;
            } else if (in && m.head.number == begin + 2) {
                return bytes;
            }
        }
        return {};
    }

    TempHome home_;
    std::string ann_jpeg_ = random_bytes(3000, 1);
    std::string bob_jpeg_ = random_bytes(4000, 2);
    std::string folder_;
    ServerProcess server_;
};

} // namespace

TEST_F(MemberPicturesServer, ANewcomerGetsEveryPictureByNameAndTheOthersItsPictureById)
{
    EXPECT_TRUE(server_.wait_for_log("big.jpg: over 102300 bytes compressed: refused"));
    HeadlessPeer ann("ann"), bob("bob");
    ASSERT_EQ(ann.connect("127.0.0.1", server_.port()), 0);
    ASSERT_EQ(ann.login("ann"), 0);
    ASSERT_GT(ann.join_room("Faces"), 0);
    ASSERT_TRUE(ann.await_number(MSG_VIDEO_IMAGE_END));
    std::string got;
    ASSERT_TRUE(gunzip_bytes(picture_of(ann, MSG_VIDEO_IMAGE_BEGIN, [](auto& m) { return m.body == "ann"; }), got, 1 << 20));
    EXPECT_EQ(got, ann_jpeg_);

    ann.clear();
    ASSERT_EQ(bob.connect("127.0.0.1", server_.port()), 0);
    ASSERT_EQ(bob.login("bob"), 0);
    ASSERT_GT(bob.join_room("Faces"), 0);
    ASSERT_TRUE(bob.await_count(MSG_VIDEO_IMAGE_END, 2));
    for (auto [name, jpeg] : { std::pair { "ann", ann_jpeg_ }, std::pair { "bob", bob_jpeg_ } }) {
        ASSERT_TRUE(gunzip_bytes(picture_of(bob, MSG_VIDEO_IMAGE_BEGIN, [name = std::string(name)](auto& m) { return m.body == name; }),
                                 got, 1 << 20)) << name;
        EXPECT_EQ(got, jpeg) << name;
    }

    // Ann is told bob came; her picture of him waits until her list shows him and she answers the probe.
    ASSERT_TRUE(ann.await_number(MSG_MEMBERS_NOTICE_116));
    EXPECT_EQ(ann.count(MSG_VIDEO_IMAGE_BEGIN_2), 0u);
    ann.send(PeerChannel::main, MSG_MEMBER_LIST_REFRESH);
    ASSERT_TRUE(ann.await_number(MSG_PROBE));
    EXPECT_EQ(ann.count(MSG_VIDEO_IMAGE_BEGIN_2), 0u);
    ann.send(PeerChannel::main, MSG_PROBE_ANSWER);
    auto end = ann.await_number(MSG_VIDEO_IMAGE_END_2);
    ASSERT_TRUE(end);
    EXPECT_EQ(end->head.address, bob.customer_id());
    EXPECT_EQ(end->body, "2");  // bob's picture is the second the server read
    std::string bytes;
    for (const ArrivedMessage& m : ann.arrived())
        if (m.head.number == MSG_VIDEO_IMAGE_DATA_2) {
            ASSERT_GE(m.body.size(), 64u);
            EXPECT_EQ(std::string(m.body.data()), "bob");
            bytes += m.body.substr(64);
        }
    ASSERT_TRUE(gunzip_bytes(bytes, got, 1 << 20));
    EXPECT_EQ(got, bob_jpeg_);
    // Once only.
    ann.clear();
    ann.send(PeerChannel::main, MSG_MEMBER_LIST_REFRESH);
    ASSERT_TRUE(ann.await_number(MSG_MEMBERS_NOTICE_780));
    EXPECT_FALSE(ann.await_number(MSG_PROBE, 300));
}

TEST(MemberPicturesFolder, AFolderThatCannotBeReadStopsTheServerAtStart)
{
    TempHome home;
    MemberPictures pictures;
    std::vector<std::string> refused;
    std::string error;
    EXPECT_FALSE(read_member_pictures(home.root() + "/none", pictures, refused, error));
    EXPECT_NE(error.find("--pictures"), std::string::npos);
    std::filesystem::create_directories(home.root() + "/p");
    for (const char* name : { "a:b.jpg", "x.jpg", "readme.txt" })
        std::ofstream(home.root() + "/p/" + name) << "picture";
    std::ofstream(home.root() + "/p/" + std::string(64, 'n') + ".jpg") << "picture";
    ASSERT_TRUE(read_member_pictures(home.root() + "/p", pictures, refused, error));
    EXPECT_EQ(pictures.size(), 1u);
    EXPECT_TRUE(pictures.count("x"));
    EXPECT_EQ(refused.size(), 2u);
}

TEST(WholePictureCompose, TilesMustAllBeThereAndOfOneSize)
{
    std::vector<std::string> packed;
    for (int i = 0; i < 25; ++i)
        packed.push_back(gzip_bytes(bmp_of(8, 6, tile_colour(i / 5, i % 5))));
    auto compose = [&](bool app, std::string& why) {
        std::vector<std::string_view> views(packed.begin(), packed.end());
        return compose_whole_picture(views, 5, app, why);
    };
    std::string why;
    std::string whole = compose(true, why);
    ASSERT_FALSE(whole.empty()) << why;
    EXPECT_EQ(compose(true, why), whole) << "the same tiles give the same bytes";

    struct Case {
        const char* what;
        std::string tile;
        const char* why;
    };
    const Case cases[] = {
        { "a tile of another size", gzip_bytes(bmp_of(9, 6, Rgb { 1, 2, 3 })), "the tiles are not of one size" },
        { "a tile that does not unpack", gzip_bytes(bmp_of(8, 6, Rgb { 1, 2, 3 })).substr(0, 30), "a tile does not unpack" },
        { "a tile that is no .bmp", gzip_bytes("BMxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxxx"), "a tile is not a 24- or 32-bit .bmp file" },
    };
    for (const Case& c : cases) {
        std::string saved = packed[7];
        packed[7] = c.tile;
        why.clear();
        EXPECT_TRUE(compose(true, why).empty()) << c.what;
        EXPECT_EQ(why, c.why) << c.what;
        packed[7] = saved;
    }
    packed.pop_back();
    EXPECT_TRUE(compose(true, why).empty());
    EXPECT_EQ(why, "not every tile is there");

    std::string plain;
    EXPECT_TRUE(gunzip_bytes(gzip_bytes("abc"), plain, 3));
    EXPECT_EQ(plain, "abc");
    EXPECT_FALSE(gunzip_bytes(gzip_bytes("abcd"), plain, 3)) << "past the limit";
    EXPECT_FALSE(gunzip_bytes(gzip_bytes("abc") + "tail", plain, 100)) << "bytes after the stream";
}
