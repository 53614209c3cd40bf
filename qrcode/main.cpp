// kzbarqr SRC TYPE PATH: makes one symbol with the library and says what
// came of it.
#include "kzbarqr.h"

#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

namespace {

const char *describe(int rc)
{
    switch (rc) {
    case KZBARQR_OK:
        return "正常終了";
    case KZBARQR_TOO_LONG:
        return "データが長すぎるか、入力が不正です";
    case KZBARQR_TOO_MANY_SEGMENTS:
        return "セグメント数が200を超えました";
    case KZBARQR_BAD_HEADER:
        return "連結ヘッダの書式エラー(マイクロQRでは連結できません)";
    case KZBARQR_BAD_TYPE:
        return "シンボル種別は 1, 2, 3 のいずれかです";
    case KZBARQR_WRITE_FAILED:
        return "ファイルに書き込めませんでした";
    default:
        return "不明な結果";
    }
}

} // namespace

int main(int argc, char **argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "使い方: kzbarqr コマンド文字列 種別 出力パス\n"
                             "  種別: 1 = モデル1, 2 = モデル2, 3 = マイクロQR\n"
                             "  例:   kzbarqr \"MA,0123456789\" 2 /tmp/qr.dat\n");
        return 2;
    }
    const std::string matrixPath = argv[3];
    std::vector<char> path(matrixPath.size() + 5, '\0'); // room for ".bmp"
    std::memcpy(path.data(), matrixPath.c_str(), matrixPath.size());

    const int rc = GetBarQr(path.data(), argv[1], argv[2]);
    std::printf("結果: %d (%s)\n", rc, describe(rc));
    if (rc == KZBARQR_OK || rc == KZBARQR_WRITE_FAILED) {
        std::printf("マトリクスファイル: %s\n", matrixPath.c_str());
        std::printf("BMPファイル: %s\n", path.data());
    }
    return rc == KZBARQR_OK ? 0 : 1;
}
