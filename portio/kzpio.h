/* KZpio: raw access to the parallel port registers.
 *
 * IOSCM_Start makes port access possible and returns the driver state
 * bits; only bit 0x01 (start failed) matters to callers. IOSCM_Stop undoes
 * it and returns 0, or 4 / 8 when stopping / removing failed. The port
 * functions check nothing and must only be used after a successful start.
 */
#ifndef KZPIO_H
#define KZPIO_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define KZPIO_EXPORT __attribute__((visibility("default")))

enum { KZPIO_START_FAILED = 0x01, KZPIO_DEVICE_REACHABLE = 0x02, KZPIO_STOP_AT_END = 0x04, KZPIO_REMOVE_AT_END = 0x08 };

KZPIO_EXPORT uint32_t InpB(uint32_t port);
KZPIO_EXPORT uint32_t InpW(uint32_t port);
KZPIO_EXPORT uint32_t InpD(uint32_t port);
KZPIO_EXPORT void OutB(uint32_t port, uint32_t value);
KZPIO_EXPORT void OutW(uint32_t port, uint32_t value);
KZPIO_EXPORT void OutD(uint32_t port, uint32_t value);
KZPIO_EXPORT uint32_t IOSCM_Start(void);
KZPIO_EXPORT uint32_t IOSCM_Stop(void);

#ifdef __cplusplus
}
#endif

#endif
