// The update package from a real web host (tamblo-server's) and from one
// that answers oddly: only a whole, signed package for this machine is ever
// kept, at its final name; everything else is said and leaves nothing.

#include "core/message_box.h"
#include "core/settings.h"
#include "dialogs/internet_update.h"
#include "dialogs/update_download.h"
#include "tests/core/loopback.h"
#include "tests/support/child_process.h"
#include "tests/support/server_process.h"
#include "tests/support/temp_home.h"
#include "tests/support/update_package.h"

#include <gtest/gtest.h>

#include <chrono>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <mutex>
#include <thread>

namespace fs = std::filesystem;

namespace {

std::string bytes_of(const std::string& path) { return read_file(path); }

void put(const fs::path& path, const std::string& bytes)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary | std::ios::trunc) << bytes;
}

// Built once: packages and keys take a while.
struct Packages {
    std::string folder;
    std::string good, other_name, other_arch, for_all;
    std::unique_ptr<TestSigningKey> key, stranger;
    ~Packages()
    {
        key.reset();
        stranger.reset();
        std::error_code ignored;
        fs::remove_all(folder, ignored);
    }
};

Packages& packages()
{
    static Packages made;
    static std::once_flag once;
    std::call_once(once, [] {
        char pattern[] = "/tmp/tamblo-update-packages-XXXXXX";
        made.folder = ::mkdtemp(pattern);
        std::string arch = machine_architecture();
        std::string other = arch == "s390x" ? "armhf" : "s390x";
        made.good = build_test_package(made.folder, "good.deb", "tamblo", arch, 300 * 1024 + 7);
        made.other_name = build_test_package(made.folder, "other_name.deb", "other", arch, 1000);
        made.other_arch = build_test_package(made.folder, "other_arch.deb", "tamblo", other, 1000);
        made.for_all = build_test_package(made.folder, "for_all.deb", "tamblo", "all", 1000);
        made.key = std::make_unique<TestSigningKey>(made.folder + "/key");
        made.stranger = std::make_unique<TestSigningKey>(made.folder + "/stranger");
    });
    return made;
}

class UpdateDownloadTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        Packages& p = packages();
        ASSERT_FALSE(p.good.empty());
        ASSERT_TRUE(p.key->ready());
        ASSERT_TRUE(p.stranger->ready());
        site_ = fs::path(home_.root()) / "site";
        fs::create_directories(site_ / "home/release");
        target_.host = "127.0.0.1";
        target_.folder = home_.root() + "/install/";
        target_.keyring = p.key->keyring();
    }

    // Publishes a package and its signature made by signer (none: no signature).
    void publish(const std::string& package, const TestSigningKey* signer)
    {
        fs::copy_file(package, site_ / "home/release/tamblo_install.deb", fs::copy_options::overwrite_existing);
        fs::remove(site_ / "home/release/tamblo_install.deb.sig");
        if (signer) {
            ASSERT_TRUE(signer->sign(package, (site_ / "home/release/tamblo_install.deb.sig").string()));
        }
    }

    void expect_nothing_left()
    {
        EXPECT_FALSE(file_exists(update_final_path(target_)));
        EXPECT_FALSE(file_exists(update_part_path(target_)));
        EXPECT_FALSE(file_exists(update_final_path(target_) + ".sig"));
        EXPECT_EQ(progress_.total.load(), 0);
        EXPECT_EQ(progress_.received.load(), 0);
        EXPECT_EQ(progress_.cancel.load(), 0);
    }

    TempHome home_;
    ScriptedMessageBoxes boxes_;
    fs::path site_;
    UpdateTarget target_;
    UpdateProgress progress_;
};

TEST_F(UpdateDownloadTest, OnlyAWholeSignedPackageForThisMachineIsKept)
{
    Packages& p = packages();
    ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", site_.string() });
    target_.port = web.web_port();
    target_.authority = "127.0.0.1:" + std::to_string(target_.port);
    ASSERT_NE(target_.port, 0);
    std::string arch = machine_architecture();
    std::string other_arch = arch == "s390x" ? "armhf" : "s390x";

    struct Case {
        const char* what;
        std::string package;           // empty: none published
        const TestSigningKey* signer;
        std::string keyring;           // empty: the key's
        std::string want;              // the message; empty: kept
    } cases[] = {
        { "signed package", p.good, p.key.get(), "", "" },
        { "architecture all", p.for_all, p.key.get(), "", "" },
        { "no package", "", nullptr, "", "The update download failed: the web host answered 404." },
        { "no signature", p.good, nullptr, "", "The update download failed: the web host answered 404." },
        { "another key's signature", p.good, p.stranger.get(), "", "The update package is not signed with the update key." },
        { "another package", p.other_name, p.key.get(), "",
          "The update package is not a Tamblo package for this computer (other, " + arch + ")." },
        { "another architecture", p.other_arch, p.key.get(), "",
          "The update package is not a Tamblo package for this computer (tamblo, " + other_arch + ")." },
        { "no keyring", p.good, p.key.get(), home_.root() + "/none.gpg",
          "The update cannot be checked: the signing keyring " + home_.root() + "/none.gpg is missing." },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(target_.folder);
        fs::remove(site_ / "home/release/tamblo_install.deb");
        fs::remove(site_ / "home/release/tamblo_install.deb.sig");
        if (!c.package.empty())
            publish(c.package, c.signer);
        target_.keyring = c.keyring.empty() ? p.key->keyring() : c.keyring;
        boxes_.clear();
        int result = download_update_package(target_, progress_);
        if (c.want.empty()) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(boxes_.texts().empty()) << boxes_.texts()[0];
            EXPECT_TRUE(bytes_of(update_final_path(target_)) == bytes_of(c.package));
            EXPECT_FALSE(file_exists(update_part_path(target_)));
            EXPECT_FALSE(file_exists(update_final_path(target_) + ".sig"));
            EXPECT_EQ(progress_.state.load(), UpdateState::ready);
            EXPECT_EQ(progress_.received.load(), progress_.total.load());
            EXPECT_EQ(progress_.total.load(), static_cast<int64_t>(fs::file_size(c.package)));
        } else {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(boxes_.texts(), std::vector<std::string> { c.want });
            EXPECT_EQ(progress_.state.load(), UpdateState::failed);
            expect_nothing_left();
        }
    }
    // A package changed after it was signed is not the signed one.
    target_.keyring = p.key->keyring();
    publish(p.good, p.key.get());
    std::string tampered = bytes_of(p.good);
    tampered[tampered.size() / 2] ^= 1;
    put(site_ / "home/release/tamblo_install.deb", tampered);
    boxes_.clear();
    EXPECT_EQ(download_update_package(target_, progress_), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "The update package is not signed with the update key." });
    expect_nothing_left();

    // Without a server at all.
    web.stop();
    boxes_.clear();
    EXPECT_EQ(download_update_package(target_, progress_), -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "Failed to connect to server." });
    expect_nothing_left();
}

TEST_F(UpdateDownloadTest, OddRepliesAreRefusedAndTheRequestIsPlain)
{
    Packages& p = packages();
    const std::string package = bytes_of(p.good);
    fs::path replies = fs::path(home_.root()) / "replies";
    fs::create_directories(replies);
    std::string signature_file = home_.root() + "/good.sig";
    ASSERT_TRUE(p.key->sign(p.good, signature_file));
    const std::string signature = bytes_of(signature_file);
    put(replies / "tamblo_install.deb.sig",
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(signature.size()) + "\r\n\r\n" + signature);
    std::string log = home_.root() + "/requests.txt";
    uint16_t port = unused_loopback_port();
    ChildProcess odd({ "python3", std::string(TAMBLO_TEST_SOURCE_DIR) + "/tests/support/odd_http_server.py",
                       std::to_string(port), log, replies.string() });
    ASSERT_TRUE(odd.started());
    ASSERT_TRUE(wait_for_loopback_port(port, 10000));
    target_.port = port;
    target_.authority = "127.0.0.1:" + std::to_string(port);
    const std::string length = std::to_string(package.size());

    struct Case {
        const char* what;
        std::string reply;
        std::string want;  // empty: kept
    } cases[] = {
        { "length in any case", "HTTP/1.0 200 OK\r\nconTent-LENGTH: " + length + "\r\nX-A: b\r\n\r\n" + package, "" },
        { "bare line feeds", "HTTP/1.1 200 OK\nContent-Length: " + length + "\n\n" + package, "" },
        { "no length", "HTTP/1.0 200 OK\r\nContent-Type: application/vnd.debian.binary-package\r\n\r\n" + package,
          "The update download failed: the web host did not say how long the file is." },
        { "negative length", "HTTP/1.0 200 OK\r\nContent-Length: -5\r\n\r\n" + package,
          "The update download failed: the web host did not say how long the file is." },
        { "two lengths", "HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\nContent-Length: 7\r\n\r\n" + package,
          "The update download failed: the web host did not say how long the file is." },
        { "over 1 GiB", "HTTP/1.0 200 OK\r\nContent-Length: 1073741825\r\n\r\n" + package,
          "The update download failed: the file is larger than 1073741824 bytes." },
        { "short body", "HTTP/1.0 200 OK\r\nContent-Length: " + length + "\r\n\r\n" + package.substr(0, 5000),
          "Receive data from server failed" },
        { "longer body", "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(package.size() - 10) + "\r\n\r\n" + package,
          "The update download failed: the web host sent more than the file's length." },
        { "error page", "HTTP/1.0 404 Not Found\r\nContent-Length: 9\r\n\r\nnot found",
          "The update download failed: the web host answered 404." },
        { "no status", "garbage\r\nContent-Length: 3\r\n\r\nabc", "The update download failed: the web host answered -1." },
        { "long head line", "HTTP/1.0 200 OK\r\nX-Pad: " + std::string(1100, 'a') + "\r\nContent-Length: 4\r\n\r\nabcd",
          "pos out of range in g_update_thread." },
        { "head cut off", "HTTP/1.0 200 OK\r\nContent-Length: 4\r\n", "Receive data from server failed" },
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.what);
        fs::remove_all(target_.folder);
        put(replies / "tamblo_install.deb", c.reply);
        fs::remove(log);
        boxes_.clear();
        int result = download_update_package(target_, progress_);
        if (c.want.empty()) {
            EXPECT_EQ(result, 0);
            EXPECT_TRUE(boxes_.texts().empty());
            EXPECT_TRUE(bytes_of(update_final_path(target_)) == package);
            EXPECT_EQ(bytes_of(log), "GET /home/release/tamblo_install.deb HTTP/1.0\r\nHost: " + target_.authority
                          + "\r\n\r\nGET /home/release/tamblo_install.deb.sig HTTP/1.0\r\nHost: " + target_.authority
                          + "\r\n\r\n");
        } else {
            EXPECT_EQ(result, -1);
            EXPECT_EQ(boxes_.texts(), std::vector<std::string> { c.want });
            expect_nothing_left();
        }
    }
}

TEST_F(UpdateDownloadTest, CancelLeavesOnlyThePart)
{
    Packages& p = packages();
    fs::path replies = fs::path(home_.root()) / "replies";
    std::string package = bytes_of(p.good);
    // Half the package, then nothing more while the connection stays open.
    put(replies / "tamblo_install.deb",
        "HTTP/1.0 200 OK\r\nContent-Length: " + std::to_string(package.size()) + "\r\n\r\n" + package.substr(0, 100000));
    put(replies / "tamblo_install.deb.stall", "");
    uint16_t port = unused_loopback_port();
    ChildProcess odd({ "python3", std::string(TAMBLO_TEST_SOURCE_DIR) + "/tests/support/odd_http_server.py",
                       std::to_string(port), home_.root() + "/requests.txt", replies.string() });
    ASSERT_TRUE(odd.started());
    ASSERT_TRUE(wait_for_loopback_port(port, 10000));
    target_.port = port;
    target_.authority = "127.0.0.1:" + std::to_string(port);

    int result = 0;
    std::thread downloader([&] { result = download_update_package(target_, progress_); });
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (progress_.received.load() < 100000 && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    EXPECT_EQ(progress_.received.load(), 100000);
    EXPECT_EQ(progress_.total.load(), static_cast<int64_t>(package.size()));
    cancel_update(progress_);
    downloader.join();
    EXPECT_EQ(result, -1);
    EXPECT_EQ(progress_.state.load(), UpdateState::cancelled);
    EXPECT_TRUE(boxes_.texts().empty());
    EXPECT_EQ(bytes_of(update_part_path(target_)), package.substr(0, 100000));
    EXPECT_FALSE(file_exists(update_final_path(target_)));
    EXPECT_EQ(progress_.cancel.load(), 0);
}

TEST_F(UpdateDownloadTest, TheProgramsThreadTakesTheWebHostAndKeyringOfItsSettings)
{
    Packages& p = packages();
    publish(p.good, p.key.get());
    ServerProcess web({ "--web", "127.0.0.1:0", "--web-root", site_.string() });
    ASSERT_NE(web.web_port(), 0);
    reg_write("general", "web_host", "127.0.0.1");
    reg_write_int("general", "web_port", web.web_port());
    ::setenv("TAMBLO_UPDATE_KEYRING", p.key->keyring().c_str(), 1);
    EXPECT_EQ(update_keyring_path(), p.key->keyring());
    g_update_thread();
    ::unsetenv("TAMBLO_UPDATE_KEYRING");
    EXPECT_EQ(g_update_progress.state.load(), UpdateState::ready);
    EXPECT_TRUE(boxes_.texts().empty());
    EXPECT_TRUE(bytes_of(home_.user_folder() + "install/tamblo_install.deb") == bytes_of(p.good));
    EXPECT_EQ(update_install_command("/a b/it's.deb"), "sudo apt install '/a b/it'\\''s.deb'");
}

TEST_F(UpdateDownloadTest, WithoutXdgOpenInstallSaysHowToInstallByHand)
{
    const std::string no_programs = home_.root() + "/no-programs";
    fs::create_directories(no_programs);
    const std::string path = getenv("PATH") ? getenv("PATH") : "";
    ::setenv("PATH", no_programs.c_str(), 1);
    const int opened = open_update_package_now("/tmp/it's here/tamblo_install.deb");
    ::setenv("PATH", path.c_str(), 1);
    EXPECT_EQ(opened, -1);
    EXPECT_EQ(boxes_.texts(), std::vector<std::string> { "The package could not be opened for installation. Install it "
                                                         "with:\nsudo apt install '/tmp/it'\\''s here/tamblo_install.deb'" });
}

TEST(UpdateHead, LengthLinesAreReadStrictly)
{
    struct Case {
        const char* line;
        int64_t want;
    } cases[] = {
        { "content-length: 1000", 1000 }, { "content-length:7", 7 }, { "content-length: 1000 ", 1000 },
        { "content-length:\t42\r", 42 }, { "content-length: 4294967296", 4294967296LL },
        { "content-length: -1", -2 }, { "content-length: 12x", -2 }, { "content-length:", -2 },
        { "content-length: 1 2", -2 }, { "content-length: 9999999999999999999", -2 },
        { "content-type: text/html", -1 }, { "x-content-length: 5", -1 },
    };
    for (const Case& c : cases)
        EXPECT_EQ(update_head_length(c.line), c.want) << c.line;
}

} // namespace
