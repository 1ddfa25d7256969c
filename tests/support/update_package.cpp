#include "tests/support/update_package.h"

#include "platform/sys/process.h"

#include <filesystem>
#include <fstream>
#include <random>

namespace fs = std::filesystem;

std::string build_test_package(const std::string& folder, const std::string& file_name, const std::string& package,
                               const std::string& architecture, size_t payload_bytes)
{
    fs::path root = fs::path(folder) / (file_name + ".root");
    fs::create_directories(root / "DEBIAN");
    fs::create_directories(root / "usr/share/tamblo-test");
    std::ofstream(root / "DEBIAN/control") << "Package: " << package << "\nVersion: 1.9.5\nArchitecture: " << architecture
                                           << "\nMaintainer: Tamblo Tests <tests@example.test>\n"
                                              "Description: a package for the update tests\n";
    std::ofstream payload(root / "usr/share/tamblo-test/payload", std::ios::binary);
    std::mt19937 random(static_cast<unsigned>(payload_bytes));
    std::string piece(64 * 1024, '\0');
    for (size_t written = 0; written < payload_bytes; written += piece.size()) {
        for (char& c : piece)
            c = static_cast<char>(random());
        payload.write(piece.data(), static_cast<std::streamsize>(std::min(piece.size(), payload_bytes - written)));
    }
    payload.close();
    std::string out = (fs::path(folder) / file_name).string();
    std::string ignored;
    int built = platform::run_program_output(
        { "dpkg-deb", "--root-owner-group", "-Znone", "--build", root.string(), out }, ignored, true);
    fs::remove_all(root);
    return built == 0 ? out : std::string();
}

TestSigningKey::TestSigningKey(const std::string& folder, const std::string& keyring_name)
    : home_((fs::path(folder) / "gnupg").string()), keyring_((fs::path(folder) / keyring_name).string())
{
    fs::create_directories(home_);
    fs::permissions(home_, fs::perms::owner_all, fs::perm_options::replace);
    std::string output;
    if (platform::run_program_output({ "gpg", "--homedir", home_, "--batch", "--pinentry-mode", "loopback", "--passphrase",
                                       "", "--quick-gen-key", "Tamblo Update Test <update@example.test>", "ed25519", "sign",
                                       "never" },
                                     output, true)
        != 0)
        return;
    if (platform::run_program_output({ "gpg", "--homedir", home_, "--batch", "--output", keyring_, "--export" }, output, true)
        != 0)
        return;
    ready_ = fs::file_size(keyring_) > 0;
}

TestSigningKey::~TestSigningKey()
{
    // The agent gpg started for this home goes with it.
    std::string ignored;
    platform::run_program_output({ "gpgconf", "--homedir", home_, "--kill", "gpg-agent" }, ignored, true);
    std::error_code error;
    fs::remove_all(home_, error);
}

bool TestSigningKey::sign(const std::string& file, const std::string& signature) const
{
    std::string output;
    return platform::run_program_output({ "gpg", "--homedir", home_, "--batch", "--yes", "--pinentry-mode", "loopback",
                                          "--passphrase", "", "--output", signature, "--detach-sign", file },
                                        output, true)
        == 0;
}
