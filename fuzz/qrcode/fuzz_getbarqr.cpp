// libFuzzer target: any bytes as command string and type through the whole
// GetBarQr path, files included. The first byte picks the type argument.
#include "encoder.h"
#include "symboltables.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <unistd.h>

namespace {

kzbarqr::Workspace workspace;
char source[kzbarqr::kWorkBufferSize + 64];

const std::string &outputPath()
{
    static const std::string path = [] {
        const char *base = access("/dev/shm", W_OK) == 0 ? "/dev/shm" : "/tmp";
        return std::string(base) + "/kzbarqr-fuzz-" + std::to_string(getpid()) + ".dat";
    }();
    static const bool cleanup = [] {
        std::atexit([] {
            std::remove(path.c_str());
            std::string bmp = path;
            std::remove(bmp.replace(bmp.size() - 4, 4, ".bmp").c_str());
        });
        return true;
    }();
    (void)cleanup;
    return path;
}

// '1', '2', '3' stand for themselves, so seeds read naturally.
const char *typeFor(uint8_t selector)
{
    static const char *const kDigits[] = {"1", "2", "3"};
    static const char *const kOthers[] = {"2", "3", "1", " 2x", "4", "0", "-3", "", "+1"};
    if (selector >= '1' && selector <= '3')
        return kDigits[selector - '1'];
    return kOthers[selector % (sizeof kOthers / sizeof kOthers[0])];
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    if (size == 0)
        return 0;
    const char *type = typeFor(data[0]);
    // Longer than the work buffer is allowed: it must be refused cleanly.
    const size_t length = size - 1 < sizeof source - 1 ? size - 1 : sizeof source - 1;
    std::memcpy(source, data + 1, length);
    source[length] = '\0';

    char path[256];
    std::snprintf(path, sizeof path, "%s", outputPath().c_str());
    const int rc = kzbarqr::generateSymbolFiles(workspace, path, source, type);
    if (rc < kzbarqr::kBadType || rc > kzbarqr::kOk)
        std::abort(); // a code outside the contract (a write failure included)
    if (rc == kzbarqr::kOk) {
        const int size = kzbarqr::symbolSize(workspace.type, workspace.version);
        if (workspace.symbol.size != size || std::strstr(path, ".bmp") == nullptr)
            std::abort();
    } else if (std::strcmp(path, outputPath().c_str()) != 0) {
        std::abort(); // an error must leave the caller's buffer alone
    }
    return 0;
}
