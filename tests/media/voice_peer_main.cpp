// A meeting client without windows that talks and listens with the real
// voice machinery: the headless peer does the login and the room on the
// main connection, the client core's voice thread reads the voice
// connection, the recorder captures from the audio backend of TAMBLO_AUDIO
// and the players play into it. Used by the end-to-end tests and benchmark.
//
//   tamblo_voice_peer --port P --room R --name N --seconds S [--speak]
//       [--quality Q] [--id-file F] [--partner-file F] [--peer-connect ADDR]
//       [--report F] [--written F] [--request-private ID_FILE] [--accept-private]
//       [--mic-gain G]
//
// --request-private and --accept-private do what the members page does for
// private voice chat (39 and 85), and a server's 86 opens the peer link.
// The report lists what arrived per message number and where ("voice 616 12",
// "peer 617 30"), the monotonic millisecond of talk start ("start_ms"), and
// every buffer a player wrote ("write <ms> <slot> <first loud sample or -1> <length>");
// --written keeps the samples of those buffers, one after the other.
// --mic-gain stores the microphone level G (0..65535) as the volume dialog does;
// the stored level is read at start as the status bar's microphone slider reads it.
#include "core/connections.h"
#include "core/global_state.h"
#include "core/messages.h"
#include "core/peer_links.h"
#include "core/receive_dispatch.h"
#include "core/receive_threads.h"
#include "media/input_volume.h"
#include "media/play_sound.h"
#include "media/record_sound.h"
#include "media/voice_parts.h"
#include "media/voice_receive.h"
#include "media/voice_state.h"
#include "tests/support/headless_peer.h"

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <map>
#include <mutex>
#include <string>
#include <thread>

namespace {

long now_ms()
{
    return static_cast<long>(std::chrono::duration_cast<std::chrono::milliseconds>(
                                 std::chrono::steady_clock::now().time_since_epoch())
                                 .count());
}

std::mutex g_report_lock;
std::map<std::string, int> g_counts;
std::vector<std::string> g_writes;
std::vector<uint8_t> g_written;  // every buffer the remote players wrote, in order

void count(const char* where, int number)
{
    std::lock_guard<std::mutex> hold(g_report_lock);
    ++g_counts[std::string(where) + " " + std::to_string(number)];
}

int read_int_file(const std::string& path, int wait_ms)
{
    for (int waited = 0; waited < wait_ms; waited += 20) {
        std::ifstream in(path);
        int v = -1;
        if (in >> v)
            return v;
        std::this_thread::sleep_for(std::chrono::milliseconds(20));
    }
    return -1;
}

} // namespace

int main(int argc, char** argv)
{
    std::map<std::string, std::string> opt;
    for (int i = 1; i < argc; ++i) {
        std::string key = argv[i];
        if (key == "--speak" || key == "--accept-private")
            opt[key] = "1";
        else if (i + 1 < argc)
            opt[key] = argv[++i];
    }
    int port = std::atoi(opt["--port"].c_str());
    int seconds = opt.count("--seconds") ? std::atoi(opt["--seconds"].c_str()) : 3;

    install_voice_parts();
    init_global_state();
    g_audio_quality = opt.count("--quality") ? std::atoi(opt["--quality"].c_str()) : 0;
    if (opt.count("--mic-gain"))
        store_mic_gain(std::atoi(opt["--mic-gain"].c_str()));
    read_mic_gain();
    // Count what arrives, then hand it to the real handlers.
    for (int number : { MSG_TALK_SILENCE, MSG_TALK_SILENCE_B, MSG_TALK_DCT_Z, MSG_TALK_DCT_Z_B })
        set_voice_handler(number, [number](const char* body, int length, int field2) {
            count("voice", number);
            dispatch_talk_message(number, body, length, field2);
        });
    set_peer_talk_handler([](const WireHead& head, const char* body, int length) {
        count("peer", head.number);
        dispatch_talk_message(head.number, body, length, head.address);
    });
    set_play_write_listener([](int index, const platform::WaveHeader& h) {
        int first = -1;
        for (size_t i = 0; i < h.data.size(); ++i)
            if (std::abs(static_cast<int>(h.data[i]) - 128) > 8) {
                first = static_cast<int>(i);
                break;
            }
        std::lock_guard<std::mutex> hold(g_report_lock);
        if (index >= 0)
            g_written.insert(g_written.end(), h.data.begin(), h.data.end());
        g_writes.push_back("write " + std::to_string(now_ms()) + " " + std::to_string(index) + " " + std::to_string(first) +
                           " " + std::to_string(h.data.size()));
    });
    start_voice_threads();

    HeadlessPeer control(opt["--name"]);
    bool accept_private = opt.count("--accept-private") > 0;
    control.set_listener([&control, accept_private](const ArrivedMessage& m) {
        if (m.channel != PeerChannel::main)
            return true;
        if (m.head.number == MSG_PEER_OPEN)
            peer_connect(m.head.address, m.body.data(), static_cast<int>(m.body.size()));
        if (m.head.number == MSG_PRIVATE_VOICE_REQUEST && accept_private) {
            // As the members page answers a request and the user says yes.
            control.send(PeerChannel::main, MSG_PRIVATE_VOICE_85, m.head.address);
            g_private_voice_partner_id = m.head.address;
            g_private_voice_chat = 1;
        }
        return true;
    });
    if (control.connect("127.0.0.1", static_cast<uint16_t>(port), true) != 0 || control.join_room(opt["--room"]) < 0) {
        std::fprintf(stderr, "tamblo_voice_peer: cannot join the room\n");
        return 2;
    }
    // The client's 84 names a peer port other than 8199.
    if (peer_listen_port() != peer_default_port)
        control.send(PeerChannel::main, MSG_CLIENT_IDENTITY, 0, "127.0.0.1:" + std::to_string(peer_listen_port()));
    g_my_customer_id = control.customer_id();
    if (opt.count("--id-file"))
        std::ofstream(opt["--id-file"]) << g_my_customer_id.load() << "\n";
    g_server_host.set("127.0.0.1");
    g_server_port = port;
    std::thread([] { g_voice_thread(); }).detach();
    for (int i = 0; i < 100 && g_voice_sock.m_sock == 0; ++i)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    std::this_thread::sleep_for(std::chrono::milliseconds(200));

    if (opt.count("--partner-file")) {
        int partner = read_int_file(opt["--partner-file"], 5000);
        g_private_voice_partner_id = partner;
        g_private_voice_chat = partner >= 0 ? 1 : 0;
        if (opt.count("--peer-connect")) {
            // What the server's 86 would do: link straight to the partner.
            std::string address = opt["--peer-connect"];
            peer_connect(partner, address.data(), static_cast<int>(address.size()));
        }
    }
    if (opt.count("--request-private")) {
        // As the members page starts private voice chat with a member.
        int partner = read_int_file(opt["--request-private"], 5000);
        g_private_voice_partner_id = partner;
        g_private_voice_chat = 1;
        control.send(PeerChannel::main, MSG_PRIVATE_VOICE_REQUEST, partner);
        control.send(PeerChannel::main, MSG_PRIVATE_VOICE_85, partner);
    }
    g_talk_allowed = opt.count("--speak") ? 1 : 0;
    long start_ms = now_ms();
    on_talk_start();
    std::this_thread::sleep_for(std::chrono::seconds(seconds));
    on_talk_stop();
    std::this_thread::sleep_for(std::chrono::milliseconds(700));

    if (opt.count("--report")) {
        std::lock_guard<std::mutex> hold(g_report_lock);
        std::ofstream out(opt["--report"]);
        out << "start_ms " << start_ms << "\n";
        for (const auto& [key, n] : g_counts)
            out << key << " " << n << "\n";
        for (const std::string& w : g_writes)
            out << w << "\n";
    }
    if (opt.count("--written")) {
        std::lock_guard<std::mutex> hold(g_report_lock);
        std::ofstream out(opt["--written"], std::ios::binary);
        out.write(reinterpret_cast<const char*>(g_written.data()), static_cast<std::streamsize>(g_written.size()));
    }
    std::fflush(nullptr);
    // The players and the recorder live as long as the process: no orderly teardown.
    std::_Exit(0);
}
