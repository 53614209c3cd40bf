/* KZpio's emulated printer (KZPIO_BACKEND=sim): control for tests and
 * demos. The printer sits on the three standard bases 0x278, 0x378 and
 * 0x3BC while the library is started.
 *
 * Environment, read at every IOSCM_Start with the sim back end:
 *   KZPIO_SIM_LINES    lines held from the start: "busy", "paper-end",
 *                      "offline", "error" (comma or blank separated)
 *   KZPIO_SIM_BUSY_US  how long BUSY stays up after a byte (default 500)
 *   KZPIO_SIM_LOG      file that every byte taken is appended to
 *
 * These functions work whichever back end is selected; they only touch
 * the emulated printer.
 */
#ifndef KZPIO_SIM_H
#define KZPIO_SIM_H

#include "kzpio.h"

#ifdef __cplusplus
extern "C" {
#endif

enum {
    KZPIO_SIM_BUSY = 0x01,      /* printer holds BUSY */
    KZPIO_SIM_PAPER_END = 0x02, /* out of paper (also BUSY) */
    KZPIO_SIM_OFFLINE = 0x04,   /* SELECT low (also BUSY) */
    KZPIO_SIM_ERROR = 0x08      /* ERROR low (also BUSY) */
};

KZPIO_EXPORT void KZpioSim_SetLines(uint32_t lines);
KZPIO_EXPORT uint32_t KZpioSim_Lines(void);
KZPIO_EXPORT void KZpioSim_SetBusyTime(uint32_t microseconds);
/* Copies up to size of the bytes taken (oldest first) into buffer and
 * returns how many bytes are kept in memory. */
KZPIO_EXPORT uint32_t KZpioSim_Received(uint8_t *buffer, uint32_t size);
/* Strobes the printer did not take (busy, off line, ...). */
KZPIO_EXPORT uint32_t KZpioSim_Refused(void);
KZPIO_EXPORT void KZpioSim_Clear(void);

#ifdef __cplusplus
}
#endif

#endif
