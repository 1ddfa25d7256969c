#pragma once
// The update package from the service's web host: downloaded into
// "<folder>tamblo_install.deb.part", and only when it is whole (a 2xx reply,
// exactly its Content-Length), signed with the update keyring (gpgv) and a
// "tamblo" package for this machine (dpkg-deb) renamed "tamblo_install.deb".
// Nothing partial or unchecked ever stands at the final name. Each failure
// is shown in a message box (from the calling thread, which waits) and
// deletes the part; a cancel leaves it.
//
// The program's update dialog and the web launcher's download dialog both
// run it on a thread of their own while their timer reads the progress.

#include "core/wf_socket.h"

#include <atomic>
#include <cstdint>
#include <mutex>
#include <string>

inline constexpr const char* update_package_path = "/home/release/tamblo_install.deb";
inline constexpr const char* update_signature_path = "/home/release/tamblo_install.deb.sig";
inline constexpr const char* update_file_name = "tamblo_install.deb";
inline constexpr int update_head_line_limit = 1023;
inline constexpr int64_t update_size_limit = int64_t { 1 } << 30;
inline constexpr int64_t update_signature_limit = 64 * 1024;

enum class UpdateState : int { idle, downloading, checking, ready, failed, cancelled };

// What the download thread writes and the dialog reads.
struct UpdateProgress {
    std::atomic<int64_t> total { 0 };     // from the reply head; 0 until known
    std::atomic<int64_t> received { 0 };
    std::atomic<int> cancel { 0 };
    std::atomic<UpdateState> state { UpdateState::idle };
    // The connection, so that a cancel wakes a thread blocked in a read.
    Cwf_socket sock;
    // One download at a time per progress.
    std::mutex running;
};

struct UpdateTarget {
    std::string host;
    int port = 80;
    std::string authority;  // the Host line: "host" or "host:port"
    std::string folder;     // where the package goes, ending in '/'
    std::string keyring;    // binary keyring the signature must verify against; empty: none
};

// Runs the download and the checks: 0 when the package stands checked at
// update_final_path(target); -1 after a failure (shown) or a cancel.
int download_update_package(const UpdateTarget& target, UpdateProgress& progress);
// Sets the cancel flag and closes the connection; the download ends soon and leaves its part.
void cancel_update(UpdateProgress& progress);

std::string update_final_path(const UpdateTarget& target);
std::string update_part_path(const UpdateTarget& target);

// The checks alone: 0 when package is signed by a key of keyring (signature
// is its detached signature) and holds Package "tamblo" for this machine's
// architecture or "all"; else -1 with the message shown.
int verify_update_package(const std::string& package, const std::string& signature, const std::string& keyring);
// This machine's Debian architecture (dpkg --print-architecture); empty when unknown.
std::string machine_architecture();

// One reply head line as the download reads it (lower-cased, without its
// line end): the number of a "content-length:" line, -1 for another line,
// -2 for a length that is not a plain decimal number.
int64_t update_head_length(const std::string& line);
