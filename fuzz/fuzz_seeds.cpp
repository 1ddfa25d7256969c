// Writes the fuzz targets' first inputs: bytes made by the program's own
// encoders and builders (video frames, talk blocks, board messages, bitmap
// files, the wire), plus a few bodies the tests use, laid out as each
// target takes its input apart. fuzz_seeds <folder>: one subfolder per target.

#include "core/bitmap_file.h"
#include "core/connections.h"
#include "core/meeting_record.h"
#include "core/messages.h"
#include "core/text_util.h"
#include "core/wire_head.h"
#include "media/video_frame_codec.h"
#include "media/video_transport.h"
#include "media/voice_codec.h"
#include "media/voice_packet.h"
#include "tests/core/loopback.h"
#include "whiteboard/board_messages.h"
#include "whiteboard/board_model.h"

#include <algorithm>
#include <cstdio>
#include <filesystem>
#include <fstream>
#include <unistd.h>
#include <vector>

namespace fs = std::filesystem;

namespace {

fs::path g_out;
int g_written = 0;

void seed(const std::string& target, const std::string& name, const std::string& bytes)
{
    fs::create_directories(g_out / target);
    std::ofstream(g_out / target / name, std::ios::binary) << bytes;
    ++g_written;
}

std::string u8(int v) { return std::string(1, static_cast<char>(v & 0xff)); }
std::string u16(size_t v) { return u8(static_cast<int>(v)) + u8(static_cast<int>(v >> 8)); }
std::string bytes_of(const std::vector<uint8_t>& v) { return std::string(v.begin(), v.end()); }

// A record of the talk and board targets: selector byte, 16-bit length, body.
std::string record(int selector, const std::string& body) { return u8(selector) + u16(body.size()) + body; }

void head_reader_seeds()
{
    std::string stream = scrambled_message({ 0, 0, MSG_LOGIN, 0 }, "ann:code") +
                         scrambled_message({ 0, 999, MSG_TALK_START, 0 }, "") +
                         scrambled_message({ 0, 3, 2, 0 }, std::string(44, 'a'));
    seed("head_reader", "three_messages", u8(3) + u8(0) + stream);
    seed("head_reader", "in_pieces", u8(1) + u8(1) + stream);
    seed("head_reader", "bad_head_then_message", u8(2) + u8(0) + "  12:abc:  44:   3:" + stream);
    seed("head_reader", "over_long_body", u8(2) + u8(2) + format_wire_head({ 0, 0, 5, 9000 }) + std::string(9000, 'x') + stream);
}

void voice_seeds()
{
    // One packet of each codec the format has: its head byte (with and
    // without a sequence number) and frames of its size.
    std::string all;
    for (int codec = 0; codec < 32; ++codec) {
        int frame = voice_codec_frame_bytes(codec);
        if (frame <= 0 && codec != 31)
            continue;
        std::string payload = codec == 31 ? std::string("\x00\x10", 2) + std::string(32, '\x80')
                                          : std::string(static_cast<size_t>(frame) * 2, '\x55');
        std::string plain = u8(codec) + std::string(2, '\0') + payload;
        std::string sequenced = u8(0x40 | codec) + u8(0) + u8(7) + payload;
        for (const std::string& p : { plain, sequenced }) {
            std::string one = u16(4000) + u8(static_cast<int>(std::min<size_t>(p.size(), 255))) + p.substr(0, 255);
            all += one;
            seed("voice_packet", format_text("codec_%d_%zu", codec, p.size()), one);
        }
    }
    seed("voice_packet", "every_codec", all);
}

void talk_seeds()
{
    std::vector<uint8_t> pcm(talk_block_samples);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(128 + 60 * ((i / 20) % 2 ? 1 : -1));
    std::vector<uint8_t> zbuf(talk_z_buffer_bytes);
    for (int quality : { 0, 3, 7 }) {
        std::vector<uint8_t> coded(talk_coded_block_bytes + 128);
        int coded_len = 0;
        audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &coded_len, quality);
        int z = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), zbuf.data(), zbuf.size());
        if (z > 0)
            seed("talk", format_text("dct_z_quality_%d", quality),
                 record(7, format_text("%4d:", quality) + std::string(zbuf.begin(), zbuf.begin() + z)));
    }
    int z = z_compress_talk_data(pcm.data(), pcm.size(), zbuf.data(), zbuf.size());
    if (z > 0)
        seed("talk", "z", record(3, std::string(32, '\0') + std::string(zbuf.begin(), zbuf.begin() + z)));
    std::string packet = u8(2) + std::string(2, '\0') + std::string(24, '\x33'); // codec 2, two frames
    seed("talk", "lpc10", record(1, format_text("%4d:", static_cast<int>(packet.size())) + std::string(32, ' ') + packet));
    seed("talk", "silence", record(5, ""));
}

void video_seeds()
{
    VideoFrameEncoder encoder;
    VideoStreamPacker packer;
    for (int size_index : { 0, 1 }) {
        VideoFrameSize size = video_frame_size(size_index);
        std::vector<uint8_t> rgb(static_cast<size_t>(size.width) * static_cast<size_t>(size.height) * 3);
        std::string input;
        for (int frame = 0; frame < 3; ++frame) {
            for (size_t i = 0; i < rgb.size(); ++i)
                rgb[i] = static_cast<uint8_t>((i / 3 % static_cast<size_t>(size.width)) * 2 + (i / 3 / static_cast<size_t>(size.width)) + frame * 9 * (i % 3));
            CodedVideoFrame coded;
            std::array<std::vector<uint8_t>, video_stream_count> packed;
            if (encoder.encode(size_index, 60, rgb, coded) != 0 || packer.pack(coded, packed) != 0)
                continue;
            input += u8(coded.frame_kind) + u8(coded.quality) + u8(coded.size_index);
            for (const auto& stream : packed)
                input += u16(stream.size()) + bytes_of(stream);
        }
        seed("video_frame", format_text("size_%d_three_frames", size_index), input);
    }
    // The same kind of frames as the server sends them: begin, chunks of 900, end with the ids.
    VideoFrameEncoder sender_encoder;
    std::vector<uint8_t> rgb(160 * 120 * 3);
    std::string messages;
    for (int frame = 0; frame < 3; ++frame) {
        for (size_t i = 0; i < rgb.size(); ++i)
            rgb[i] = static_cast<uint8_t>(i * 7 / 3 + frame * 40 * (i % 3));
        CodedVideoFrame coded;
        VideoSendBuffers buffers;
        if (sender_encoder.encode(0, 70, rgb, coded) != 0 || packer.pack(coded, buffers.streams) != 0)
            continue;
        buffers.frame_kind = coded.frame_kind;
        buffers.quality = coded.quality;
        buffers.size_index = coded.size_index;
        std::vector<uint8_t> wire;
        if (build_video_frame(buffers, wire) < 0)
            continue;
        messages += u8(0) + u16(0);
        for (size_t at = 0; at < wire.size(); at += 900) {
            std::string chunk(wire.begin() + static_cast<long>(at),
                              wire.begin() + static_cast<long>(std::min(wire.size(), at + 900)));
            messages += u8(1) + u16(chunk.size()) + chunk;
        }
        std::string ids = format_text("1:%d", frame + 1);
        messages += u8(2) + u16(ids.size()) + ids;
    }
    seed("video_receive", "key_and_two_deltas", messages);
}

// What the board builders send, read off a loopback connection as the server would get it.
void board_seeds()
{
    LoopbackListener listener;
    g_main_sock.host.set("127.0.0.1");
    g_main_sock.port = listener.port();
    if (g_main_sock.connect_server() != 0)
        return;
    int peer = listener.accept_one();
    board_model_setup();
    g_offline_board = 0;
    g_board_count = 10;
    board_logfont font {};
    font[0] = 14;
    std::copy_n("Sans", 4, font.begin() + 28);
    send_board_font(font);
    send_board_point(1, 10, 20, 30, 100, 200, 3);
    send_board_line(1, 1, 2, 3, 0, 0, 50, 60, 2, 1);
    send_board_rect(2, 4, 5, 6, 10, 10, 50, 50, 1, 1);
    send_board_filled_ellipse(2, 4, 5, 6, 13, 10, 50, 50, 1, 1);
    send_board_shape(1, 42, 7, 8, 9, 1, 2, 300, 400, 2, 1);
    send_board_text(1, 40, 50, 0, "hello board", 0, 0, 255);
    send_board_text(1, 40, 90, 0, std::string(450, 'L'), 0, 0, 255);
    send_board_pointer(1, 5, 5);
    send_board_undo(1);
    send_board_redo(1);
    send_board_lock(1);
    send_board_unlock(1);
    send_bmp_pos(1, 0, 10, 10);
    send_bmp_z_order(1, 0, 1);
    send_bmp_delete(1, 0);
    send_board_clear(2);
    g_main_sock.close_socket();
    board_model_free();

    const std::vector<int>& numbers = board_message_numbers();
    auto selector = [&numbers](int number) {
        return static_cast<int>(std::find(numbers.begin(), numbers.end(), number) - numbers.begin());
    };
    std::string all;
    for (int i = 0;; ++i) {
        auto [head_text, body] = next_wire_message(peer);
        WireHead head;
        if (head_text.size() != wire_head_len || !parse_wire_head(head_text.c_str(), head))
            break;
        std::string one = u8(selector(head.number)) + u8(head.address) + u16(body.size()) + body;
        all += one;
        seed("board_messages", format_text("builder_%d_message_%d", i, head.number), one);
    }
    ::close(peer);
    seed("board_messages", "every_builder", all);

    // The reload stream: an action at an index, its text and a font by index.
    std::string action(44, '\0');
    action[0] = 3;
    std::string reload = u8(selector(MSG_BOARD_SET_ACTION)) + u8(4) + u16(7 + 44) + "2500:  " + action +
                         u8(selector(MSG_BOARD_SHORT_STR)) + u8(4) + u16(15) + "7:   short text" +
                         u8(selector(MSG_BOARD_LONG_STR)) + u8(0) + u16(5 + 600) + "39:  " + std::string(600, 'q') +
                         u8(selector(MSG_BOARD_FONT)) + u8(0) + u16(5 + font.size()) + "49:  " +
                         std::string(font.begin(), font.end()) +
                         u8(selector(MSG_BOARD_VERIFY)) + u8(0) + u16(20) + "   3:   0:   5:   0:";
    seed("board_messages", "reload_stream", reload);
}

std::string bmp_file_bytes(int bits, int width, int height)
{
    DeviceBitmap bitmap;
    bitmap.width = width;
    bitmap.height = height;
    bitmap.bits_per_pixel = bits;
    bitmap.stride_bytes = (width * bits + 31) / 32 * 4;
    bitmap.bits.resize(static_cast<size_t>(bitmap.stride_bytes) * static_cast<size_t>(height));
    for (size_t i = 0; i < bitmap.bits.size(); ++i)
        bitmap.bits[i] = static_cast<uint8_t>(i * 7);
    std::unique_ptr<PackedDib> dib = ddb_to_dib(bitmap, nullptr);
    if (!dib)
        return {};
    std::string path = (g_out / "bmp.tmp").string();
    std::string bytes;
    if (dib_write_bmp_file(*dib, path) == 1) {
        std::ifstream f(path, std::ios::binary);
        bytes.assign(std::istreambuf_iterator<char>(f), {});
    }
    fs::remove(path);
    return bytes;
}

void bitmap_seeds()
{
    for (int bits : { 8, 32 })
        for (auto [w, h] : { std::pair { 7, 5 }, std::pair { 16, 3 } })
            if (std::string bytes = bmp_file_bytes(bits, w, h); !bytes.empty())
                seed("bmp_file", format_text("bits_%d_%dx%d", bits, w, h), bytes);

    // A clipboard file: the head, then text as UTF-16 and as bytes, then a picture.
    auto u32 = [](size_t v) { return u16(v & 0xffff) + u16(v >> 16); };
    std::string head = std::string("clip339966") + std::string(30, '\0');
    std::string text = "hello";
    std::string wide;
    for (char c : text + '\0')
        wide += std::string(1, c) + '\0';
    std::string clip = head + u32(13) + u32(wide.size()) + wide + u32(1) + u32(text.size() + 1) + text + '\0';
    seed("clipboard_file", "text", clip);
    if (std::string bmp = bmp_file_bytes(32, 4, 4); bmp.size() > 14)
        seed("clipboard_file", "text_and_picture", clip + u32(8) + u32(bmp.size() - 14) + bmp.substr(14));
    std::string mime = "text/html";
    seed("clipboard_file", "private_format",
         head + u32(0xC000) + u32(mime.size() + 1 + 6) + mime + '\0' + "<b>x</b>");
}

// Records of the server target: who (client, channel, close, settle), the
// number as a raw 15-bit one, field 2, the body.
std::string server_record(int client, int channel, int number, int field2_byte, const std::string& body)
{
    return u8(0x80 | (channel << 2) | client) + u16(0x8000 | number) + u8(field2_byte) + u16(body.size()) + body;
}

void server_seeds()
{
    const int to_all = 0;       // field 2 byte for 999
    const int to_board_1 = 193; // field 2 byte for board index 1
    std::string login;
    for (int c = 0; c < 3; ++c)
        login += server_record(c, 0, MSG_CLIENT_IDENTITY, to_all, "127.0.0.1") +
                 server_record(c, 0, MSG_LOGIN, to_all, format_text("user%d:", c)) +
                 server_record(c, 0, MSG_ROOM_CREATE, to_all, "Lobby") +
                 server_record(c, 0, MSG_ROOM_JOIN, to_all, "Lobby:");
    // 0x3a: three clients with every connection.
    seed("server_messages", "three_join_a_room", u8(17) + u8(0x3a) + login);
    std::string action(44, '\0');
    action[0] = 2;
    std::string board = login;
    for (int i = 0; i < 50; ++i) {
        std::string font(60, '\0');
        font[0] = static_cast<char>(10 + i);
        board += server_record(0, 0, MSG_BOARD_FONT_UPLOAD, to_board_1, font);
    }
    for (int i = 0; i < 20; ++i)
        board += server_record(i % 3, 0, 2, to_board_1, action);
    board += server_record(1, 0, MSG_BOARD_RELOAD, to_board_1, "") + server_record(2, 0, MSG_BOARD_RELOAD, to_board_1, "");
    seed("server_messages", "board_and_reload", u8(17) + u8(0x3a) + board);
    seed("server_messages", "board_and_reload_small_queues", u8(4) + u8(0x3a) + board);
    // One member alone in the room it made, whose reload answer overflows its queue.
    std::string alone = server_record(0, 0, MSG_LOGIN, to_all, "solo:") + server_record(0, 0, MSG_ROOM_CREATE, to_all, "Solo") +
                        server_record(0, 0, MSG_ROOM_JOIN, to_all, "Solo:");
    for (int i = 0; i < 50; ++i) {
        std::string font(60, '\0');
        font[0] = static_cast<char>(10 + i);
        alone += server_record(0, 0, MSG_BOARD_FONT_UPLOAD, to_board_1, font);
    }
    for (int i = 0; i < 5; ++i)
        alone += server_record(0, 0, MSG_BOARD_RELOAD, to_board_1, "");
    seed("server_messages", "alone_reload_small_queue", u8(6) + u8(0) + alone);
    std::string voice = login;
    for (int number : { MSG_TALK_START, MSG_TALK_DATA, 610, 611, 612, 613, 614, 615, 616, 617, MSG_TALK_STOP })
        voice += server_record(0, 2, number, number % 2 ? 192 + 1 : to_all, std::string(40, 'v')) +
                 server_record(1, 2, number, 65, std::string(40, 'w'));
    seed("server_messages", "voice", u8(17) + u8(0x3a) + voice);
}

// Chat lines, private lines, member records and states of the chat_members target.
void chat_members_seeds()
{
    const std::string style = std::string(1, '\0') + "\x40\x40\xe0\x0a\x01";
    seed("chat_members", "styled_line", record(0, "ann: hello\r\n" + style));
    seed("chat_members", "line_without_style", record(0, "ann: plain"));
    seed("chat_members", "private_line", record(1, "bob:psst" + style));
    seed("chat_members", "members_and_states",
         record(2, std::string("ann\0" "1001", 8)) + u16(101) + record(2, std::string("bob\0" "1002", 8)) + u16(104) +
             record(3, "") + u16(1101) + u16(112));
    seed("chat_members", "cjk_text", record(4, "\xe7\x8e\x8b: \xe4\xbd\xa0\xe5\xa5\xbd{\\}"));
}

// Records of a meeting recording behind its head, as the playback target reads them.
std::string recording_record(uint32_t type, const std::string& body)
{
    record_head head;
    head.type = type;
    head.length = static_cast<uint32_t>(body.size());
    head.time.year = 2026;
    head.time.day = 10;
    head.time.hour = 9;
    return std::string(record_separator, record_separator_len)
        + std::string(reinterpret_cast<const char*>(&head), sizeof head) + body;
}

std::string words(std::initializer_list<int32_t> values)
{
    std::string out;
    for (int32_t v : values)
        out.append(reinterpret_cast<const char*>(&v), sizeof v);
    return out;
}

void playback_seeds()
{
    board_action a;
    a.kind = ACTION_LINE;
    a.set_gesture_end(1);
    a.data = { 10, 20, 300, 200, 2, 255, 0, 0, 0 };
    std::string action(reinterpret_cast<const char*>(&a), sizeof a);
    std::string line = "hello" + std::string(1, '\0') + "\x40\x40\xe0\x0a\x01";
    std::string board = recording_record(record_type_general_action, words({ 0, 1 }) + action)
        + recording_record(record_type_text, words({ 5, 2 }) + action + "words")
        + recording_record(record_type_board_op, words({ 2, 1, 0, 0, 0, 0 }))
        + recording_record(record_type_chat, words({ static_cast<int32_t>(line.size()) }) + line)
        + recording_record(record_type_ui_event, words({ 3, 1, 0, 0, 0, 0 }))
        + recording_record(record_type_ui_event, words({ 8, 2, 0, 0, 0, 0 }));
    seed("playback", "board_chat_interface", board);
    std::string url = "page1:http://127.0.0.1/";
    seed("playback", "browser_and_screen",
         recording_record(record_type_id_action, words({ 3, 0, 0, 0, 0, static_cast<int32_t>(url.size()) }) + url)
             + recording_record(record_type_share_window_rect, words({ 10, 20, 640, 480 }))
             + recording_record(record_type_share_desktop_size, words({ 1920, 1080 })));
    std::vector<uint8_t> pcm(talk_block_samples);
    for (size_t i = 0; i < pcm.size(); ++i)
        pcm[i] = static_cast<uint8_t>(128 + 60 * ((i / 20) % 2 ? 1 : -1));
    std::vector<uint8_t> coded(talk_coded_block_bytes + 128);
    int coded_len = 0;
    audio_encode_block(pcm.data(), coded.data(), talk_block_samples, &coded_len, 0);
    std::vector<uint8_t> zbuf(talk_z_buffer_bytes);
    int z = z_compress_talk_data(coded.data(), static_cast<size_t>(coded_len), zbuf.data(), zbuf.size());
    if (z > 0)
        seed("playback", "talk", recording_record(record_type_transform_talk, words({ z, 1001, 8000, 0, 0, 0 })
                                                                           + std::string(zbuf.begin(), zbuf.begin() + z)));
    VideoFrameEncoder encoder;
    VideoStreamPacker packer;
    std::vector<uint8_t> rgb(160 * 120 * 3);
    for (size_t i = 0; i < rgb.size(); ++i)
        rgb[i] = static_cast<uint8_t>(i * 5 / 3);
    CodedVideoFrame frame;
    VideoSendBuffers buffers;
    std::vector<uint8_t> wire;
    if (encoder.encode(0, 70, rgb, frame) == 0 && packer.pack(frame, buffers.streams) == 0) {
        buffers.frame_kind = frame.frame_kind;
        buffers.quality = frame.quality;
        if (build_video_frame(buffers, wire) > 0)
            seed("playback", "video", recording_record(record_type_video, words({ static_cast<int32_t>(wire.size()), 1001, 1, 1, 0, 0, 0, 0, 0, 0 })
                                                                             + bytes_of(wire)));
    }
}

} // namespace

// Two bytes of group-file length, the group file, then the contact file.
void contact_file_seeds()
{
    const std::string groups = "1|Work\n2|Home|and more\nx|no id\n";
    const std::string contacts = "1|ann@example.org|Ann|Lee|boss|extra\r\n-1|bo@example.org|Bo|Wu|\n\nabc|c@x|C|D";
    seed("contact_files", "both_files", u16(groups.size()) + groups + contacts);
    std::string many;
    for (int i = 0; i < 210; ++i)
        many += format_text("%d|p%d@x|P|%d|\n", i % 5, i, i);
    seed("contact_files", "beyond_the_table", u16(0) + many);
}

// The join page's link and a few that a page should not get away with.
void launch_link_seeds()
{
    seed("launch_link", "join", "tamblo://launch?server_addr=127.0.0.1&server_port=9081&server_name=Local"
                                "&meeting_room_name=Lobby&c=xxsecretxxx&mp=&from_color=0,70,160&text=Join");
    seed("launch_link", "escapes", "TAMBLO://launch/?server_addr=h&mp=%25%32%35&server_name=%E4%BC%9A+x&text_color=-5,300,1");
    seed("launch_link", "hostile", "tamblo://launch?server_addr=-platform&mp=$(touch%20MARK)%0a&c=a:b#x");
}

int main(int argc, char** argv)
{
    if (argc != 2) {
        std::fprintf(stderr, "usage: fuzz_seeds <folder>\n");
        return 2;
    }
    g_out = argv[1];
    head_reader_seeds();
    voice_seeds();
    talk_seeds();
    video_seeds();
    board_seeds();
    bitmap_seeds();
    server_seeds();
    chat_members_seeds();
    contact_file_seeds();
    playback_seeds();
    launch_link_seeds();
    std::printf("fuzz_seeds: %d seeds in %s\n", g_written, argv[1]);
    return 0;
}
