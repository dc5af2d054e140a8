/* The C interface of the DIO board driver library `libdaqdrv32.so`.
 *
 * Every function returns a 32-bit code, 0 on success. Callers look at the low
 * 12 bits of a failure code; DAQ_ERR_NOT_SUPPORTED (0x3E) means the board has
 * no such function. Handles are 32-bit, 0 = none. The MrvDIO control never
 * links this library: it loads it by name at run time (driver/DaqDriver.h), so
 * a real board's driver plugs in by providing a library with these symbols.
 *
 * All functions may be called from any thread; the driver serialises them.
 */
#ifndef MRVDIO_DRIVER_DAQDRV32_H
#define MRVDIO_DRIVER_DAQDRV32_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#if defined(__GNUC__)
#define DAQDRV32_API __attribute__((visibility("default")))
#else
#define DAQDRV32_API
#endif

/* ---- Basic types ---------------------------------------------------------- */

typedef int32_t DaqResult;  /* 0 = success; low 12 bits name the failure */
typedef uint32_t DaqHandle; /* 0 = no device */

/* One entry of the installed-device list: 56 bytes as the driver fills it. */
#define DAQ_DEVICE_LIST_ENTRY_SIZE 56
#define DAQ_DEVICE_LIST_NAME_SIZE 52
typedef struct DaqDeviceListEntry {
    int32_t deviceNumber;                       /* offset 0 */
    char deviceName[DAQ_DEVICE_LIST_NAME_SIZE]; /* offset 4, NUL-terminated ANSI */
} DaqDeviceListEntry;

/* Buffer sizes the callers provide. */
#define DAQ_DEVICE_NAME_SIZE 100   /* DRV_DeviceNumToDeviceName */
#define DAQ_ERROR_MESSAGE_SIZE 256 /* DRV_GetErrorMessage */

/* DRV_DioReadBit / DRV_DioGetCurrentDOBit. */
typedef struct DaqDioReadBit {
    uint16_t port;
    uint16_t bit;
    uint16_t* state; /* out: 0 or 1 */
} DaqDioReadBit;

/* DRV_DioWriteBit. */
typedef struct DaqDioWriteBit {
    uint16_t port;
    uint16_t bit;
    uint16_t state; /* 0 = off, anything else = on */
} DaqDioWriteBit;

/* DRV_CheckEvent. */
typedef struct DaqCheckEvent {
    uint16_t* eventId; /* out: id of the event that occurred, 0 when the wait expired */
    uint32_t waitMs;   /* longest wait in milliseconds */
} DaqCheckEvent;

/* ---- Property ids (32-bit values unless a list) ---------------------------- */

enum {
    DAQ_PROP_BOARD_ID = 0x0001,                 /* board identity, uint32 */
    DAQ_PROP_DIO_PORT_TYPES = 0x3005,           /* byte per DIO port (0..5) */
    DAQ_PROP_DIO_DIRECTIONS = 0x3006,           /* uint32 direction word per DIO port */
    DAQ_PROP_DI_CHANNEL_COUNT = 0x3C83,         /* int32 */
    DAQ_PROP_DI_PORT_COUNT = 0x3C84,            /* int32 */
    DAQ_PROP_DI_INTERRUPT_CHANNELS = 0x3C85,    /* interrupt-capable channels, byte per DI port */
    DAQ_PROP_DI_RISING_EDGE_MASKS = 0x3C86,     /* byte per DI port */
    DAQ_PROP_DI_FALLING_EDGE_MASKS = 0x3C87,    /* byte per DI port */
    DAQ_PROP_DI_STATUS_CHANNELS = 0x3C88,       /* status-change channel masks, byte per DI port */
    DAQ_PROP_DI_STATUS_ENABLE_MASKS = 0x3C89,   /* byte per DI port */
    DAQ_PROP_DI_PATTERN_CHANNELS = 0x3C8A,      /* pattern-match channel masks, byte per DI port */
    DAQ_PROP_DI_PATTERN_ENABLE_MASKS = 0x3C8B,  /* byte per DI port */
    DAQ_PROP_DI_BOTH_EDGES = 0x3C8C,            /* int32, 1 = both edges allowed */
    DAQ_PROP_DI_PATTERN_MASK_SETTABLE = 0x3C8D, /* byte per DI port */
    DAQ_PROP_DI_STATUS_MASK_SETTABLE = 0x3C8E,  /* byte per DI port */
    DAQ_PROP_DI_PATTERN_VALUES = 0x3804,        /* match values, byte per DI port */
    DAQ_PROP_DO_CHANNEL_COUNT = 0x4807,         /* int32 */
    DAQ_PROP_DO_PORT_COUNT = 0x4808             /* int32 */
};

/* Port types reported by DAQ_PROP_DIO_PORT_TYPES. */
enum {
    DAQ_PORT_FIXED_INPUT = 0,  /* direction word 0x0000 */
    DAQ_PORT_FIXED_OUTPUT = 1, /* direction word 0x00FF */
    DAQ_PORT_FIXED_BOTH = 2,   /* separate DI and DO, direction word 0xFF00 */
    DAQ_PORT_PROG_PORT = 3,    /* direction for the whole port */
    DAQ_PORT_PROG_NIBBLE = 4,  /* direction per half port */
    DAQ_PORT_PROG_CHANNEL = 5  /* direction per channel */
};

/* ---- Event ids ------------------------------------------------------------- */

enum {
    DAQ_EVENT_NONE = 0,
    DAQ_EVENT_DI_INTERRUPT = 0x3400, /* + DI channel */
    DAQ_EVENT_DI_INTERRUPT_LAST = 0x34B8,
    DAQ_EVENT_DI_PATTERN_MATCH = 0x3814, /* + DI port */
    DAQ_EVENT_DI_PATTERN_MATCH_LAST = 0x3833,
    DAQ_EVENT_DI_STATUS_CHANGE = 0x3834, /* + DI port */
    DAQ_EVENT_DI_STATUS_CHANGE_LAST = 0x3853
};

/* ---- Result codes ---------------------------------------------------------- */

#define DAQ_ERROR_CODE_MASK 0xFFF

enum {
    DAQ_OK = 0,
    DAQ_ERR_INVALID_DEVICE_NUMBER = 0x10, /* no installed device has that number */
    DAQ_ERR_INVALID_HANDLE = 0x11,        /* handle not open (or closed meanwhile) */
    DAQ_ERR_INVALID_PARAMETER = 0x12,     /* null pointer or out-of-range argument */
    DAQ_ERR_BUFFER_TOO_SMALL = 0x13,      /* property buffer below the property's size */
    DAQ_ERR_INVALID_PORT = 0x14,          /* port number beyond the board's ports */
    DAQ_ERR_INVALID_CHANNEL = 0x15,       /* bit or channel beyond the port */
    DAQ_ERR_INVALID_EVENT = 0x16,         /* event id the board cannot raise */
    DAQ_ERR_INVALID_VALUE = 0x17,         /* property value the board does not accept */
    DAQ_ERR_READ_ONLY = 0x18,             /* property cannot be set */
    DAQ_ERR_NOT_SUPPORTED = 0x3E,         /* the board has no such function */
    /* Codes of the loader (driver/DaqDriver.h), never returned by a driver. */
    DAQ_ERR_LIBRARY_NOT_LOADED = 0xF00, /* libdaqdrv32.so could not be loaded */
    DAQ_ERR_FUNCTION_NOT_FOUND = 0xF01  /* the library lacks this function */
};

/* ---- Functions ------------------------------------------------------------- */

/* Opens device `deviceNumber`; fills *handle (0 on failure). */
DAQDRV32_API DaqResult DRV_DeviceOpen(int32_t deviceNumber, DaqHandle* handle);
/* Closes *handle and sets it to 0. Waiters in DRV_CheckEvent on it return. */
DAQDRV32_API DaqResult DRV_DeviceClose(DaqHandle* handle);
/* buffer == NULL asks the size: *byteSize := the property's size. Otherwise
 * *byteSize is the capacity on entry and the size written on return. */
DAQDRV32_API DaqResult DRV_DeviceGetProperty(DaqHandle handle, uint32_t propertyId, void* buffer,
                                             uint32_t* byteSize);
DAQDRV32_API DaqResult DRV_DeviceSetProperty(DaqHandle handle, uint32_t propertyId,
                                             const void* buffer, uint32_t byteSize);
/* Number of installed devices (every kind of board). */
DAQDRV32_API DaqResult DRV_DeviceGetNumOfList(int16_t* count);
/* Fills up to `capacity` entries; *count := entries written. */
DAQDRV32_API DaqResult DRV_DeviceGetList(DaqDeviceListEntry* entries, int16_t capacity,
                                         int16_t* count);
/* name: DAQ_DEVICE_NAME_SIZE bytes, NUL-terminated on success. */
DAQDRV32_API DaqResult DRV_DeviceNumToDeviceName(int32_t deviceNumber, char* name);
/* message: DAQ_ERROR_MESSAGE_SIZE bytes, NUL-terminated. */
DAQDRV32_API DaqResult DRV_GetErrorMessage(DaqResult code, char* message);

DAQDRV32_API DaqResult DRV_DioReadBit(DaqHandle handle, DaqDioReadBit* record);
DAQDRV32_API DaqResult DRV_DioGetCurrentDOBit(DaqHandle handle, DaqDioReadBit* record);
DAQDRV32_API DaqResult DRV_DioWriteBit(DaqHandle handle, DaqDioWriteBit* record);

/* One byte per port, ports portStart .. portStart + portCount - 1. */
DAQDRV32_API DaqResult MvxDioReadDiPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                                         uint8_t* buffer);
DAQDRV32_API DaqResult MvxDioGetCurrentDoPortsState(DaqHandle handle, uint32_t portStart,
                                                    uint32_t portCount, uint8_t* buffer);
DAQDRV32_API DaqResult MvxDioWriteDoPorts(DaqHandle handle, uint32_t portStart, uint32_t portCount,
                                          const uint8_t* buffer);

/* Arms `eventId`; when it fires the DI ports scanStart .. scanStart + scanCount - 1
 * are latched. */
DAQDRV32_API DaqResult MvxDioEnableEventAndSpecifyDiPorts(DaqHandle handle, uint32_t eventId,
                                                          uint32_t scanStart, uint32_t scanCount);
DAQDRV32_API DaqResult MvxDioDisableEvent(DaqHandle handle, uint32_t eventId);
/* Waits up to record->waitMs for an armed event; *record->eventId := its id,
 * or DAQ_EVENT_NONE when the wait expired. */
DAQDRV32_API DaqResult DRV_CheckEvent(DaqHandle handle, DaqCheckEvent* record);
/* The DI port states latched when `eventId` last fired (as returned by
 * DRV_CheckEvent): buffer[i] = port scanStart + i, i < portCount. */
DAQDRV32_API DaqResult MvxDioGetLatestEventDiPortsState(DaqHandle handle, uint32_t eventId,
                                                        uint8_t* buffer, uint32_t portCount);

#ifdef __cplusplus
} /* extern "C" */

static_assert(sizeof(DaqDeviceListEntry) == DAQ_DEVICE_LIST_ENTRY_SIZE,
              "device list entries are 56 bytes");
#endif

#endif /* MRVDIO_DRIVER_DAQDRV32_H */
