// Reading and hashing the corpus the way the engine must when every file needs both digests.
#include "HashFloor.h"

#include <chrono>
#include <fcntl.h>
#include <time.h>
#include <unistd.h>
#include <vector>

#if defined(ORV_BENCH_OPENSSL)
#include <openssl/evp.h>
#else
#include "core/Md5.h"
#include "core/Sha256.h"
#endif

namespace {

double ProcessCpu()
{
    timespec now {};
    clock_gettime(CLOCK_PROCESS_CPUTIME_ID, &now);
    return double(now.tv_sec) + double(now.tv_nsec) * 1e-9;
}

#if defined(ORV_BENCH_OPENSSL)
struct BothDigests {
    EVP_MD_CTX* md5 = EVP_MD_CTX_new();
    EVP_MD_CTX* sha = EVP_MD_CTX_new();
    ~BothDigests()
    {
        EVP_MD_CTX_free(md5);
        EVP_MD_CTX_free(sha);
    }
    void Start()
    {
        EVP_DigestInit_ex(md5, EVP_md5(), nullptr);
        EVP_DigestInit_ex(sha, EVP_sha256(), nullptr);
    }
    void Update(const char* data, size_t size)
    {
        EVP_DigestUpdate(md5, data, size);
        EVP_DigestUpdate(sha, data, size);
    }
    void Finish()
    {
        unsigned char digest[EVP_MAX_MD_SIZE];
        unsigned int length = 0;
        EVP_DigestFinal_ex(md5, digest, &length);
        EVP_DigestFinal_ex(sha, digest, &length);
    }
};
#else
struct BothDigests {
    orv::Md5 md5;
    orv::Sha256 sha;
    bool hardware = orv::Sha256HardwareAvailable();
    void Start()
    {
        md5.Start();
        sha.Start(hardware);
    }
    void Update(const char* data, size_t size)
    {
        md5.Update(reinterpret_cast<const uint8_t*>(data), uint32_t(size));
        sha.Update(reinterpret_cast<const uint8_t*>(data), uint32_t(size));
    }
    void Finish()
    {
        uint8_t digest[32];
        md5.Finish(digest);
        sha.Finish(digest);
    }
};
#endif

} // namespace

const char* HashFloorImplementation()
{
#if defined(ORV_BENCH_OPENSSL)
    return "OpenSSL";
#else
    return "the engine core (OpenSSL was not found at build time)";
#endif
}

HashFloorSample MeasureHashFloor(const std::filesystem::path& corpus)
{
    HashFloorSample sample;
    std::vector<char> buffer(1 << 20);
    BothDigests digests;
    double cpu = ProcessCpu();
    auto start = std::chrono::steady_clock::now();
    for (const auto& entry : std::filesystem::recursive_directory_iterator(corpus)) {
        if (!entry.is_regular_file())
            continue;
        int fd = ::open(entry.path().c_str(), O_RDONLY);
        if (fd < 0)
            continue;
        digests.Start();
        ssize_t got;
        while ((got = ::read(fd, buffer.data(), buffer.size())) > 0) {
            digests.Update(buffer.data(), size_t(got));
            sample.bytes += uint64_t(got);
        }
        digests.Finish();
        ::close(fd);
        ++sample.files;
    }
    sample.seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    sample.cpuSeconds = ProcessCpu() - cpu;
    return sample;
}
