// Placeholder until the ppdev back end lands: start always fails, so the
// program runs with parallel output off.
#include "kzpio.h"

extern "C" {
uint32_t InpB(uint32_t) { return 0xFF; }
uint32_t InpW(uint32_t) { return 0xFFFF; }
uint32_t InpD(uint32_t) { return 0xFFFFFFFFu; }
void OutB(uint32_t, uint32_t) {}
void OutW(uint32_t, uint32_t) {}
void OutD(uint32_t, uint32_t) {}
uint32_t IOSCM_Start(void) { return KZPIO_START_FAILED; }
uint32_t IOSCM_Stop(void) { return 0; }
}
