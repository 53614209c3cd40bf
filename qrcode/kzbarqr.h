/* KZbarqr: QR Code Model 1, Model 2 and Micro QR symbols as a packed
 * module-matrix file and a one-bit BMP.
 *
 * int GetBarQr(char *path, const char *src, const char *type)
 *
 *   path  matrix file to write; on return it names the BMP (the path cut at
 *         its first full stop, plus ".bmp"), so the buffer needs room for
 *         4 more characters.
 *   src   command string, NUL-terminated, single-byte/Shift-JIS text:
 *         [Dppttxx,] level [mask digit] [A|M] separator data
 *         e.g. "MA,0123456789ABCD", "QM,N0123456789,B0005ab,cd,AHELLO",
 *         "D0103C5,HA,data".
 *   type  "1" Model 1, "2" Model 2, "3" Micro QR (a decimal number).
 *
 * A mask digit that names no mask of the symbol type (8 or 9 for Model 1
 * and 2, 4 to 9 for Micro QR) leaves the mask to the automatic choice.
 *
 * Not reentrant: all working storage is static; call from one thread.
 */
#ifndef KZBARQR_H
#define KZBARQR_H

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KZBARQR_OK = 0,                 /* both files written */
    KZBARQR_TOO_LONG = -1,          /* more than 7366 data characters, no version holds
                                       the data, a byte segment without its count,
                                       src longer than 7371 characters, or a null
                                       src or path */
    KZBARQR_TOO_MANY_SEGMENTS = -2, /* automatic segmentation left more than 200 */
    KZBARQR_BAD_HEADER = -3,        /* structured-append header malformed, or given
                                       for Micro QR */
    KZBARQR_BAD_TYPE = -4,          /* type is not 1, 2 or 3 */
    KZBARQR_WRITE_FAILED = -5       /* a file could not be written (the other one may be) */
};

__attribute__((visibility("default"))) int GetBarQr(char *path, const char *src, const char *type);

#ifdef __cplusplus
}
#endif

#endif
