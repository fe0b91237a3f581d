// OpenSSL's EVP measured in a helper process of the benchmark itself, so that its portable path can be chosen with
// OPENSSL_ia32cap (read once when libcrypto starts) in the same run as its accelerated one.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

enum class OpenSslJob { Sha256, Aes128Ctr };

// The input and key both sides of the pipe work on, so that the helper's result can be set beside ours.
inline constexpr uint32_t kJobInputSeed = 2463534242u;
inline constexpr uint8_t kJobAesKey[16] = {1, 2, 3, 4, 5, 6, 7, 8, 9, 10, 11, 12, 13, 14, 15, 16};

// The helper side: when argv asks for a worker, serves timing requests on stdin/stdout and answers true after the
// parent closes the pipe.
bool RunOpenSslWorkerIfAsked(int argc, char** argv);

// The parent side: one helper process doing job over a buffer of size bytes.
class OpenSslWorker {
public:
    OpenSslWorker(const char* self, OpenSslJob job, size_t size, bool portable);
    ~OpenSslWorker();
    OpenSslWorker(const OpenSslWorker&) = delete;
    OpenSslWorker& operator=(const OpenSslWorker&) = delete;

    // Runs the job once in the helper and answers the wall-clock seconds it took there.
    double RunOnce();
    // The job's result over the untouched input (the digest, or the enciphered buffer from ours' initial
    // counter); empty when the helper did not answer.
    std::vector<uint8_t> Result();
    bool Ok() const { return m_pid > 0; }

private:
    int m_pid = -1;
    int m_toWorker = -1;
    int m_fromWorker = -1;
};

std::string SelfPath();
