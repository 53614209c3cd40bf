// Malformed and hostile command strings through the exported function: the
// fuzz target's seed corpus and a fixed list of nasty inputs. Under the
// sanitize preset this doubles as a short sanitizer run.
#include "kzbarqr.h"
#include "qrtestutil.h"

#include <gtest/gtest.h>

#include <dirent.h>

#include <cstring>
#include <filesystem>
#include <string>
#include <vector>

namespace {

std::vector<std::string> nastyInputs()
{
    std::vector<std::string> v = {
        "",
        "D",
        "d",
        "D0",
        "D01",
        "D0102",
        "D0102C",
        "D0102C5",
        "D0102C5,",
        "D0102C5,M",
        "D99FF,MA,x",
        "D1616",
        "MM,",
        "MM,B",
        "MM,B9999",
        "MM,B9999abc",
        "MM,B0003",
        "MM,K\x81",
        "MM,K\x81\x40\x81",
        "MA,\x81",
        "MA,\xEB\xC0",
        "MA,\xEB",
        "MA,\xFC\xFC",
        "\xFF",
        "MM,\r\n\r\n\r\n",
        "MM,N\r",
        "MM,A\n,B0001\n",
        "LA,\x7F\x80\x9F\xA0\xE0\xFF",
        "Q9M,N9",
        "H8A,x",
        "L4A,1",
    };
    std::string all;
    for (int c = 1; c < 256; ++c)
        all += static_cast<char>(c);
    v.push_back("LA," + all);
    v.push_back("LM,B0255" + all);
    v.push_back("MM," + std::string(900, ','));
    std::string alternating = "LA,";
    while (alternating.size() < 7369)
        alternating += "a1A\x81\x40 ";
    v.push_back(alternating.substr(0, 7369));
    v.push_back(std::string(7371, '\xFF'));
    v.push_back(std::string(7372, '\xFF'));
    v.push_back("LA," + std::string(7368, '9'));
    std::string manySegments = "LM,";
    for (int i = 0; i < 400; ++i)
        manySegments += i % 2 ? "K\x93\x5F\r\n" : "B0001\xFF\n";
    v.push_back(manySegments);
    return v;
}

std::vector<std::string> corpus()
{
    std::vector<std::string> inputs;
    for (const auto &entry : std::filesystem::directory_iterator(KZBARQR_FUZZ_CORPUS)) {
        const std::vector<uint8_t> bytes = qrtest::readFile(entry.path().string());
        if (!bytes.empty())
            inputs.emplace_back(bytes.begin(), bytes.end());
    }
    return inputs;
}

class BadInput : public ::testing::Test {
protected:
    void SetUp() override { dir = qrtest::makeTempDir(); }
    void TearDown() override { std::filesystem::remove_all(dir); }

    // Calls GetBarQr and checks what every call must keep to.
    void run(const std::string &src, const char *type)
    {
        const std::string matrix = dir + "/sym.dat";
        std::vector<char> path(matrix.size() + 5, '\0');
        std::memcpy(path.data(), matrix.c_str(), matrix.size());
        const int rc = GetBarQr(path.data(), src.c_str(), type);
        const std::string what = src.substr(0, 24) + " / " + type;
        ASSERT_GE(rc, KZBARQR_BAD_TYPE) << what;
        ASSERT_LE(rc, KZBARQR_OK) << what;
        if (rc != KZBARQR_OK) {
            EXPECT_EQ(std::string(path.data()), matrix) << what;
            EXPECT_TRUE(std::filesystem::is_empty(dir)) << what;
            return;
        }
        EXPECT_EQ(std::string(path.data()), dir + "/sym.bmp");
        const std::vector<uint8_t> file = qrtest::readFile(matrix);
        ASSERT_GE(file.size(), 6u);
        const int size = file[2] | file[3] << 8;
        EXPECT_EQ(file.size(), 6u + static_cast<size_t>(size * ((size + 7) / 8))) << what;
        std::filesystem::remove(matrix);
        std::filesystem::remove(path.data());
    }

    std::string dir;
};

} // namespace

TEST_F(BadInput, NastyStringsWithEveryType)
{
    for (const std::string &src : nastyInputs()) {
        for (const char *type : {"1", "2", "3", "4", "", " 3 ", "99999999999999999999", "-1"})
            run(src, type);
    }
}

TEST_F(BadInput, FuzzSeedCorpus)
{
    const std::vector<std::string> inputs = corpus();
    ASSERT_GE(inputs.size(), 10u);
    for (const std::string &input : inputs) {
        // The fuzz target's first byte picks the type; try all three here.
        for (const char *type : {"1", "2", "3"})
            run(input.substr(1), type);
    }
}
