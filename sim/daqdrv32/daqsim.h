/* Control of the simulated board driver `libdaqdrv32.so` from inside the
 * process: for tests, which link the library directly and then reach the same
 * loaded instance that the MrvDIO control binds by name.
 *
 * Device numbers are those of the board file ($DAQDRV32_CONFIG, or the built-in
 * board, device 0). Functions return 0 or a DAQ_ERR_... code of daqdrv32.h.
 * All functions may be called from any thread.
 */
#ifndef SIM_DAQDRV32_DAQSIM_H
#define SIM_DAQDRV32_DAQSIM_H

#include "driver/daqdrv32.h"

#ifdef __cplusplus
extern "C" {
#endif

/* Closes every handle (waiters in DRV_CheckEvent return), clears injected
 * failures and call counts, and reloads the boards from $DAQDRV32_CONFIG or
 * the built-in board. */
DAQDRV32_API DaqResult daqsim_reset(void);
/* Like daqsim_reset, with the boards described by `text` (the board file's
 * format) or by the file at `path`. On a parse error nothing changes and
 * `error` (may be NULL, `errorSize` bytes) says which line is wrong. */
DAQDRV32_API DaqResult daqsim_load_config_text(const char* text, char* error, uint32_t errorSize);
DAQDRV32_API DaqResult daqsim_load_config_file(const char* path, char* error, uint32_t errorSize);

/* Input states. Changing inputs raises the events armed for them: DI
 * interrupts on the edges of the channels, status changes, pattern matches. */
DAQDRV32_API DaqResult daqsim_set_di_port(int32_t device, uint32_t port, uint8_t value);
DAQDRV32_API DaqResult daqsim_set_di_bit(int32_t device, uint32_t channel, int32_t state);
/* An edge on a DI channel: the input ends high (rising != 0) or low, and a DI
 * interrupt edge is signalled even when the input was already at that level
 * (a pulse shorter than the sampling). */
DAQDRV32_API DaqResult daqsim_edge(int32_t device, uint32_t channel, int32_t rising);
DAQDRV32_API DaqResult daqsim_get_di_port(int32_t device, uint32_t port, uint8_t* value);
DAQDRV32_API DaqResult daqsim_get_do_port(int32_t device, uint32_t port, uint8_t* value);

/* The board's current value of a property, as a handle would read it, without
 * a handle and without counting as a call (for checking what was sent). */
DAQDRV32_API DaqResult daqsim_get_property(int32_t device, uint32_t propertyId, void* buffer,
                                           uint32_t* byteSize);

/* Makes the next `times` calls of driver function `call` fail with `code`
 * (times < 0: until cleared; times == 0: clears). `call` is the exported name,
 * e.g. "DRV_DioReadBit"; for the property functions a property id may follow
 * after a colon, e.g. "DRV_DeviceGetProperty:0x3C85". */
DAQDRV32_API DaqResult daqsim_fail(const char* call, DaqResult code, int32_t times);
DAQDRV32_API void daqsim_clear_failures(void);
/* How often driver function `call` was called since the last reset (-1 for an
 * unknown name). With ":id" for the property functions: calls for that id. */
DAQDRV32_API int32_t daqsim_call_count(const char* call);

/* 1 when some open handle of `device` has `eventId` enabled (then the scan
 * range is stored where the pointers are given), else 0. */
DAQDRV32_API int32_t daqsim_event_armed(int32_t device, uint32_t eventId, uint32_t* scanStart,
                                        uint32_t* scanCount);
/* Events raised but not yet taken by DRV_CheckEvent, over all handles of
 * `device`; and the number of open handles of `device`. */
DAQDRV32_API int32_t daqsim_pending_events(int32_t device);
DAQDRV32_API int32_t daqsim_open_handles(int32_t device);

/* The line socket (text protocol, one command per line; HACKING.md). The
 * driver starts it on the first successful DRV_DeviceOpen at
 * $DAQDRV32_SOCKET, or $XDG_RUNTIME_DIR/daqdrv32.sock, unless DAQDRV32_SOCKET
 * is "off". Starting at an explicit path stops a running server first. */
DAQDRV32_API DaqResult daqsim_server_start(const char* path);
DAQDRV32_API void daqsim_server_stop(void);
/* The path the server listens on, "" when it does not run. Copies at most
 * `size` bytes including the NUL. */
DAQDRV32_API void daqsim_server_path(char* path, uint32_t size);

#ifdef __cplusplus
} /* extern "C" */
#endif

#endif /* SIM_DAQDRV32_DAQSIM_H */
