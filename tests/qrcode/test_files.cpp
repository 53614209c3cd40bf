// GetBarQr as callers load it: the exported function of libKZbarqr.so, its
// result codes, the matrix file, the BMP and the path rewrite.
#include "kzbarqr.h"
#include "qrtestutil.h"
#include "symbolfiles.h"

#include <gtest/gtest.h>

#include <dirent.h>
#include <dlfcn.h>
#include <sys/stat.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

using GetBarQrFn = int (*)(char *, const char *, const char *);

GetBarQrFn libraryExport()
{
    static void *handle = dlopen(KZBARQR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    return handle ? reinterpret_cast<GetBarQrFn>(dlsym(handle, "GetBarQr")) : nullptr;
}

// Calls the library with a path buffer that has room for the rewrite.
int call(const std::string &src, const char *type, std::string &path)
{
    std::vector<char> buffer(path.size() + 5, '\0');
    std::memcpy(buffer.data(), path.data(), path.size());
    const int rc = libraryExport()(buffer.data(), src.c_str(), type);
    path = buffer.data();
    return rc;
}

std::vector<std::string> filesIn(const std::string &dir)
{
    std::vector<std::string> names;
    if (DIR *d = opendir(dir.c_str())) {
        while (dirent *e = readdir(d)) {
            if (std::strcmp(e->d_name, ".") != 0 && std::strcmp(e->d_name, "..") != 0)
                names.push_back(e->d_name);
        }
        closedir(d);
    }
    return names;
}

uint32_t le32(const std::vector<uint8_t> &b, size_t at)
{
    return b[at] | b[at + 1] << 8 | b[at + 2] << 16 | static_cast<uint32_t>(b[at + 3]) << 24;
}

class LibraryFiles : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_NE(libraryExport(), nullptr) << dlerror();
        dir = qrtest::makeTempDir();
        ASSERT_FALSE(dir.empty());
    }
    void TearDown() override
    {
        if (!dir.empty())
            std::filesystem::remove_all(dir);
    }
    std::string dir;
};

} // namespace

TEST_F(LibraryFiles, OnlyGetBarQrIsExported)
{
    void *handle = dlopen(KZBARQR_LIBRARY, RTLD_NOW | RTLD_LOCAL);
    ASSERT_NE(handle, nullptr);
    EXPECT_EQ(dlsym(handle, "_ZN7kzbarqr12encodeSymbolERNS_9WorkspaceEPKci"), nullptr);
    EXPECT_EQ(dlsym(handle, "_ZN7kzbarqr11reedSolomonEPKhiiPh"), nullptr);
}

TEST_F(LibraryFiles, Version1MatrixFileAndBmpByteForByte)
{
    std::string path = dir + "/out.dat";
    ASSERT_EQ(call("MA,0123456789", "2", path), KZBARQR_OK);
    EXPECT_EQ(path, dir + "/out.bmp");

    auto ws = qrtest::makeWorkspace();
    ASSERT_EQ(kzbarqr::encodeSymbol(*ws, "MA,0123456789", 2), kzbarqr::kOk);
    const std::vector<std::string> rows = qrtest::rowsOf(ws->symbol);

    const std::vector<uint8_t> matrix = qrtest::readFile(dir + "/out.dat");
    ASSERT_EQ(matrix.size(), 6u + 21 * 3);
    EXPECT_EQ(std::vector<uint8_t>(matrix.begin(), matrix.begin() + 6), (std::vector<uint8_t>{3, 0, 21, 0, 21, 0}));
    for (int y = 0; y < 21; ++y) {
        for (int x = 0; x < 24; ++x) {
            const bool bit = (matrix[6 + y * 3 + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(bit, x < 21 && rows[y][x] == '1') << x << ',' << y;
        }
    }

    const std::vector<uint8_t> bmp = qrtest::readFile(dir + "/out.bmp");
    ASSERT_EQ(bmp.size(), 62u + 21 * 4);
    EXPECT_EQ(bmp[0], 'B');
    EXPECT_EQ(bmp[1], 'M');
    EXPECT_EQ(le32(bmp, 2), 62u + 84);
    EXPECT_EQ(le32(bmp, 6), 0u);
    EXPECT_EQ(le32(bmp, 10), 62u);
    EXPECT_EQ(le32(bmp, 14), 40u);
    EXPECT_EQ(le32(bmp, 18), 24u); // whole bytes of the row
    EXPECT_EQ(le32(bmp, 22), 21u); // positive: bottom row first
    EXPECT_EQ(bmp[26] | bmp[27] << 8, 1);
    EXPECT_EQ(bmp[28] | bmp[29] << 8, 1);
    EXPECT_EQ(le32(bmp, 30), 0u);
    EXPECT_EQ(le32(bmp, 34), 84u);
    EXPECT_EQ(le32(bmp, 38), 3790u);
    EXPECT_EQ(le32(bmp, 42), 3780u);
    EXPECT_EQ(le32(bmp, 46), 0u);
    EXPECT_EQ(le32(bmp, 50), 0u);
    EXPECT_EQ(le32(bmp, 54), 0x00000000u); // black
    EXPECT_EQ(le32(bmp, 58), 0x00FFFFFFu); // white
    for (int line = 0; line < 21; ++line) {
        const int y = 20 - line;
        const size_t at = 62 + static_cast<size_t>(line) * 4;
        for (int x = 0; x < 24; ++x) {
            const bool white = (bmp[at + x / 8] >> (7 - x % 8)) & 1;
            EXPECT_EQ(white, x >= 21 || rows[y][x] == '0') << x << ',' << y;
        }
        EXPECT_EQ(bmp[at + 3], 0) << "row padding";
    }
}

TEST_F(LibraryFiles, MicroSymbolFileSizes)
{
    std::string path = dir + "/micro.dat";
    ASSERT_EQ(call("MA,0123456789", "3", path), KZBARQR_OK);
    const std::vector<uint8_t> matrix = qrtest::readFile(dir + "/micro.dat");
    ASSERT_EQ(matrix.size(), 6u + 15 * 2);
    EXPECT_EQ(matrix[0], 2);
    EXPECT_EQ(matrix[2], 15);
    EXPECT_EQ(matrix[4], 15);
    const std::vector<uint8_t> bmp = qrtest::readFile(path);
    ASSERT_EQ(bmp.size(), 62u + 15 * 4);
    EXPECT_EQ(le32(bmp, 18), 16u);
    // Model 2 version 40: 23 bytes a row, 24 in the picture.
    path = dir + "/big.dat";
    std::string digits(7000, '7');
    ASSERT_EQ(call("LA," + digits, "2", path), KZBARQR_OK);
    EXPECT_EQ(qrtest::readFile(dir + "/big.dat").size(), 6u + 177 * 23);
    EXPECT_EQ(qrtest::readFile(dir + "/big.bmp").size(), 62u + 177 * 24);
}

TEST_F(LibraryFiles, BmpNameIsCutAtTheFirstFullStop)
{
    mkdir((dir + "/data.old").c_str(), 0700);
    const struct {
        std::string matrix, bmp;
    } cases[] = {
        {"/out.dat", "/out.bmp"},
        {"/noext", "/noext.bmp"},
        {"/two.dots.dat", "/two.bmp"},
        {"/data.old/out.dat", "/data.bmp"}, // the first stop of the whole path
    };
    for (const auto &c : cases) {
        std::string path = dir + c.matrix;
        ASSERT_EQ(call("LA,X", "2", path), KZBARQR_OK) << c.matrix;
        EXPECT_EQ(path, dir + c.bmp);
        EXPECT_FALSE(qrtest::readFile(dir + c.matrix).empty()) << c.matrix;
        EXPECT_FALSE(qrtest::readFile(dir + c.bmp).empty()) << c.bmp;
    }
}

TEST_F(LibraryFiles, ErrorsTouchNoFile)
{
    const struct {
        std::string src;
        const char *type;
        int rc;
    } cases[] = {
        {"MA,0123456789", "4", KZBARQR_BAD_TYPE},
        {"MA,0123456789", "0", KZBARQR_BAD_TYPE},
        {"MA,0123456789", "", KZBARQR_BAD_TYPE},
        {"MA,0123456789", "-2", KZBARQR_BAD_TYPE},
        {"MA,0123456789", "x2", KZBARQR_BAD_TYPE},
        {"MA,0123456789", nullptr, KZBARQR_BAD_TYPE},
        {"D0103C5,MA,abc", "3", KZBARQR_BAD_HEADER},
        {"D0302C5,MA,abc", "1", KZBARQR_BAD_HEADER},
        {"D0302C5,MA,abc", "2", KZBARQR_BAD_HEADER},
        {"D0101C5,MA,abc", "2", KZBARQR_BAD_HEADER},
        {"D0101C5,MA,abc", "3", KZBARQR_BAD_HEADER},
        {"LA," + std::string(7367, '1'), "2", KZBARQR_TOO_LONG},
        {"MM,B12", "2", KZBARQR_TOO_LONG},
        {"HA,1", "3", KZBARQR_TOO_LONG},
        {"LA," + std::string(2954, 'a'), "2", KZBARQR_TOO_LONG},
        {"LA,a123456789a123456789" + std::string(2000, 'x'), "2", KZBARQR_OK},
    };
    for (const auto &c : cases) {
        std::string path = dir + "/err.dat";
        const int rc = c.type ? call(c.src, c.type, path) : libraryExport()(path.data(), c.src.c_str(), nullptr);
        EXPECT_EQ(rc, c.rc) << c.src.substr(0, 20) << " / " << (c.type ? c.type : "null");
        if (rc != KZBARQR_OK) {
            EXPECT_TRUE(filesIn(dir).empty()) << c.src.substr(0, 20);
            EXPECT_EQ(path, dir + "/err.dat"); // the buffer is left alone
        }
        for (const std::string &f : filesIn(dir))
            std::remove((dir + "/" + f).c_str());
    }
    char path[] = "x.dat";
    EXPECT_EQ(libraryExport()(path, nullptr, "2"), KZBARQR_TOO_LONG);
    EXPECT_EQ(libraryExport()(nullptr, "MA,1", "2"), KZBARQR_TOO_LONG);
    // The type is a decimal number: blanks, sign and trailing text.
    std::string p = dir + "/t.dat";
    EXPECT_EQ(call("MA,1", " +2", p), KZBARQR_OK);
    p = dir + "/t.dat";
    EXPECT_EQ(call("MA,1", "3rd", p), KZBARQR_OK);
}

TEST_F(LibraryFiles, InputLongerThanTheWorkBufferIsRefused)
{
    // Manual mode ignores text after the 200th segment, so only the length
    // of the whole string decides here.
    std::string src = "MM,";
    for (int i = 0; i < 200; ++i)
        src += "N1,";
    src += std::string(7371 - src.size(), 'z');
    std::string path = dir + "/long.dat";
    EXPECT_EQ(call(src, "2", path), KZBARQR_OK);
    path = dir + "/long.dat";
    EXPECT_EQ(call(src + "z", "2", path), KZBARQR_TOO_LONG);
    path = dir + "/long.dat";
    EXPECT_EQ(call(src + std::string(100000, 'z'), "2", path), KZBARQR_TOO_LONG);
}

TEST_F(LibraryFiles, UnwritableFilesAreReported)
{
    // The matrix file's folder is missing, the BMP's (cut at the first
    // stop) exists: the BMP is still made from the symbol itself.
    std::string path = dir + "/missing.d/out.dat";
    testing::internal::CaptureStdout();
    EXPECT_EQ(call("MA,0123456789", "2", path), KZBARQR_WRITE_FAILED);
    const std::string said = testing::internal::GetCapturedStdout();
    EXPECT_EQ(said, "  cannot write open " + dir + "/missing.d/out.dat ! \n");
    EXPECT_EQ(path, dir + "/missing.bmp");
    const std::vector<uint8_t> bmp = qrtest::readFile(path);
    ASSERT_EQ(bmp.size(), 62u + 21 * 4);

    path = dir + "/nowhere/sub/out";
    testing::internal::CaptureStdout();
    EXPECT_EQ(call("MA,0123456789", "2", path), KZBARQR_WRITE_FAILED);
    testing::internal::GetCapturedStdout();
}

TEST_F(LibraryFiles, ExistingFilesAreReplacedWhole)
{
    std::string path = dir + "/old.dat";
    ASSERT_EQ(call("LA," + std::string(500, '9'), "2", path), KZBARQR_OK);
    path = dir + "/old.dat";
    ASSERT_EQ(call("LA,1", "2", path), KZBARQR_OK);
    EXPECT_EQ(qrtest::readFile(dir + "/old.dat").size(), 6u + 21 * 3);
    EXPECT_EQ(qrtest::readFile(dir + "/old.bmp").size(), 62u + 21 * 4);
}

// A workspace that held a large symbol before gives the same files for a
// small one as a fresh workspace: what a symbol leaves behind below its
// last row must not reach the next.
TEST(LibraryFilesReuse, ReusedWorkspaceWritesWhatAFreshOneWrites)
{
    const struct {
        const char *prefix;
        int digits; // appended after the prefix
        int type;
    } symbols[] = {{"HA,", 3000, 2}, {"LA,12345", 0, 3}, {"MA,HELLO WORLD 2026", 0, 3},
                   {"MA,", 500, 1},  {"LA,ABC", 0, 3},   {"MA,0123456789", 0, 2},
                   {"LA,99", 0, 3}};
    auto reused = qrtest::makeWorkspace();
    std::vector<uint8_t> a(kzbarqr::kMaxBmpFileSize);
    std::vector<uint8_t> b(kzbarqr::kMaxBmpFileSize);
    for (const auto &sym : symbols) {
        const std::string command = sym.prefix + std::string(static_cast<size_t>(sym.digits), '7');
        auto fresh = qrtest::makeWorkspace();
        ASSERT_EQ(kzbarqr::encodeSymbol(*reused, command.c_str(), sym.type), kzbarqr::kOk) << sym.prefix;
        ASSERT_EQ(kzbarqr::encodeSymbol(*fresh, command.c_str(), sym.type), kzbarqr::kOk) << sym.prefix;
        for (auto image : {kzbarqr::matrixFileImage, kzbarqr::bmpFileImage}) {
            const int n = image(reused->symbol, a.data());
            ASSERT_EQ(image(fresh->symbol, b.data()), n);
            EXPECT_EQ(std::memcmp(a.data(), b.data(), static_cast<size_t>(n)), 0) << sym.prefix;
        }
    }
}
