#pragma once
// Update packages for tests: a real .deb built by dpkg-deb, and a throwaway
// signing key in a private GnuPG home with its binary keyring and detached
// signatures.

#include <cstddef>
#include <string>

// Builds folder/<file_name> from a control file with the given Package and
// Architecture and a payload of payload_bytes bytes (uncompressed). The
// path, or empty when dpkg-deb failed.
std::string build_test_package(const std::string& folder, const std::string& file_name, const std::string& package,
                               const std::string& architecture, size_t payload_bytes);

class TestSigningKey {
public:
    // A new ed25519 key in folder/gnupg; its public key exported as the
    // binary keyring folder/<keyring_name>.
    TestSigningKey(const std::string& folder, const std::string& keyring_name = "update-keyring.gpg");
    ~TestSigningKey();
    TestSigningKey(const TestSigningKey&) = delete;
    TestSigningKey& operator=(const TestSigningKey&) = delete;

    bool ready() const { return ready_; }
    const std::string& keyring() const { return keyring_; }
    // Writes the detached binary signature of file to signature; true on success.
    bool sign(const std::string& file, const std::string& signature) const;

private:
    std::string home_;
    std::string keyring_;
    bool ready_ = false;
};
