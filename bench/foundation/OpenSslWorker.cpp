#include "OpenSslWorker.h"

#include <openssl/evp.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdlib>
#include <cstring>
#include <ctime>
#include <string>
#include <vector>

#include "BenchData.h"
#include "core/AesCtr.h"

namespace {

constexpr const char* kWorkerFlag = "--openssl-worker=";
constexpr char kTimeRequest = 't';
constexpr char kResultRequest = 'r';
// A result is a digest or an enciphered buffer of the benchmarks' size; a longer announcement is a broken helper.
constexpr uint64_t kMaxResultSize = 1u << 30;

// Masks AES-NI (bit 57 of the first vector) and the SHA extensions (bit 29 of the second).
constexpr const char* kPortableCaps = "~0x200000000000000:~0x20000000";

bool ReadAll(int fd, void* data, size_t size) {
    auto* p = static_cast<char*>(data);
    while (size > 0) {
        const ssize_t got = read(fd, p, size);
        if (got <= 0) return false;
        p += got;
        size -= static_cast<size_t>(got);
    }
    return true;
}

bool WriteAll(int fd, const void* data, size_t size) {
    const auto* p = static_cast<const char*>(data);
    while (size > 0) {
        const ssize_t put = write(fd, p, size);
        if (put <= 0) return false;
        p += put;
        size -= static_cast<size_t>(put);
    }
    return true;
}

// Enciphers data in place, or writes its digest.
void Job(OpenSslJob job, std::vector<uint8_t>& data, unsigned char digest[32]) {
    if (job == OpenSslJob::Sha256) {
        unsigned length = 0;
        EVP_Digest(data.data(), data.size(), digest, &length, EVP_sha256(), nullptr);
        return;
    }
    unsigned char iv[16];
    BuiltinInitialCounter(iv);
    EVP_CIPHER_CTX* ctx = EVP_CIPHER_CTX_new();
    int n = 0;
    EVP_EncryptInit_ex(ctx, EVP_aes_128_ctr(), nullptr, kJobAesKey, iv);
    EVP_EncryptUpdate(ctx, data.data(), &n, data.data(), static_cast<int>(data.size()));
    EVP_CIPHER_CTX_free(ctx);
}

// Wall time, as the benchmarks of ours it is set beside count it.
double WallSeconds() {
    timespec t{};
    clock_gettime(CLOCK_MONOTONIC, &t);
    return static_cast<double>(t.tv_sec) + static_cast<double>(t.tv_nsec) * 1e-9;
}

}  // namespace

std::string SelfPath() {
    char path[4096];
    const ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    return n > 0 ? std::string(path, static_cast<size_t>(n)) : std::string();
}

bool RunOpenSslWorkerIfAsked(int argc, char** argv) {
    if (argc < 3 || std::strncmp(argv[1], kWorkerFlag, std::strlen(kWorkerFlag)) != 0) return false;
    const OpenSslJob job =
        std::strcmp(argv[1] + std::strlen(kWorkerFlag), "sha256") == 0 ? OpenSslJob::Sha256 : OpenSslJob::Aes128Ctr;
    const std::vector<uint8_t> input = PseudoRandomBytes(std::strtoull(argv[2], nullptr, 10), kJobInputSeed);
    std::vector<uint8_t> work = input;
    unsigned char digest[32];
    char request = 0;
    while (ReadAll(0, &request, 1)) {
        if (request == kResultRequest) {
            work = input;
            Job(job, work, digest);
            const std::vector<uint8_t> result =
                job == OpenSslJob::Sha256 ? std::vector<uint8_t>(digest, digest + sizeof digest) : work;
            const uint64_t size = result.size();
            if (!WriteAll(1, &size, sizeof size) || !WriteAll(1, result.data(), result.size())) break;
            continue;
        }
        const double start = WallSeconds();
        Job(job, work, digest);
        const double seconds = WallSeconds() - start;
        if (!WriteAll(1, &seconds, sizeof seconds)) break;
    }
    return true;
}

OpenSslWorker::OpenSslWorker(const char* self, OpenSslJob job, size_t size, bool portable) {
    int toWorker[2], fromWorker[2];
    if (pipe(toWorker) != 0 || pipe(fromWorker) != 0) return;
    const std::string flag = std::string(kWorkerFlag) + (job == OpenSslJob::Sha256 ? "sha256" : "aes-128-ctr");
    const std::string sizeText = std::to_string(size);
    m_pid = fork();
    if (m_pid == 0) {
        dup2(toWorker[0], 0);
        dup2(fromWorker[1], 1);
        close(toWorker[1]);
        close(fromWorker[0]);
        if (portable) {
            setenv("OPENSSL_ia32cap", kPortableCaps, 1);
        } else {
            unsetenv("OPENSSL_ia32cap");
        }
        execl(self, self, flag.c_str(), sizeText.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    close(toWorker[0]);
    close(fromWorker[1]);
    m_toWorker = toWorker[1];
    m_fromWorker = fromWorker[0];
}

OpenSslWorker::~OpenSslWorker() {
    if (m_toWorker >= 0) close(m_toWorker);
    if (m_fromWorker >= 0) close(m_fromWorker);
    if (m_pid > 0) waitpid(m_pid, nullptr, 0);
}

double OpenSslWorker::RunOnce() {
    const char request = kTimeRequest;
    double seconds = -1;
    if (!WriteAll(m_toWorker, &request, 1) || !ReadAll(m_fromWorker, &seconds, sizeof seconds)) return -1;
    return seconds;
}

std::vector<uint8_t> OpenSslWorker::Result() {
    uint64_t size = 0;
    if (!WriteAll(m_toWorker, &kResultRequest, 1) || !ReadAll(m_fromWorker, &size, sizeof size) ||
        size > kMaxResultSize) {
        return {};
    }
    std::vector<uint8_t> result(size);
    if (!ReadAll(m_fromWorker, result.data(), result.size())) return {};
    return result;
}
