/*
 * The interface between the program and its image plug-ins.
 *
 * A plug-in is a shared object in the program's Plugin folder exporting the
 * three calls below with C linkage. The program loads every file of that
 * folder in name order and keeps those whose GetPluginInfo(0) answers
 * exactly "00IN".
 *
 * The calls follow the classic Windows image import filter interface; its
 * types are given fixed widths here because a Windows long or int is 32
 * bits while a Linux long is 64:
 *
 *   Windows                          here
 *   int  GetPluginInfo(int, LPSTR, int)
 *                                    int32_t GetPluginInfo(int32_t, char*, int32_t)
 *   int  IsSupported(LPSTR, DWORD)   int32_t IsSupported(const char*, const void*)
 *   int  GetPicture(LPSTR, long, unsigned int, HANDLE*, HANDLE*, FARPROC, long)
 *                                    int32_t GetPicture(const char*, int32_t, uint32_t,
 *                                        VorlenSpiHandle*, VorlenSpiHandle*,
 *                                        VorlenSpiProgress, int32_t)
 *
 * The DWORD of IsSupported carried a pointer (or a file handle) in 32 bits;
 * the HLOCAL handles were local memory. Both are pointers here, so they
 * have the width of a pointer: a handle is the address of a block from the
 * C library's malloc, which the program frees with free().
 *
 * Picture data (GetPicture with flag VORLEN_SPI_MEMORY):
 *   info block: a 40-byte BITMAPINFOHEADER, little-endian, then the colour
 *     table (4 bytes per entry: blue, green, red, 0) for 1, 4 and 8 bits per
 *     pixel. Width and height > 0 (rows bottom-up; a negative height is
 *     refused), planes 1, compression 0 (BI_RGB). The table has
 *     biClrUsed entries, or 2^bits when biClrUsed is 0.
 *   bits block: the rows, bottom row first, each padded to a multiple of
 *     4 bytes. 24 bits: blue, green, red. 32 bits: blue, green, red and
 *     alpha (255 opaque, 0 transparent, not premultiplied).
 *
 * The program checks both blocks before it reads them: it takes their sizes
 * from malloc_usable_size, so they must come from malloc, calloc or realloc
 * of the process's C library. A block too small for what the header
 * declares, an unknown depth or a picture beyond the limits below is
 * refused, and both blocks are freed in every case.
 */
#ifndef VORLEN_PLUGIN_H
#define VORLEN_PLUGIN_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

#define VORLEN_SPI_VERSION "00IN"
#define VORLEN_SPI_INFO_SIZE 1024
#define VORLEN_SPI_PROBE_SIZE 2048 /* IsSupported sees this many first bytes */
#define VORLEN_SPI_MEMORY 1u       /* GetPicture flag: buf is the data itself */

/* Pictures larger than these are refused by the program; plug-ins refuse
 * them before allocating. */
#define VORLEN_SPI_MAX_DIMENSION 32768
#define VORLEN_SPI_MAX_PIXELS (64L * 1024 * 1024)

/* Answers of GetPicture. */
#define VORLEN_SPI_OK 0
#define VORLEN_SPI_UNSUPPORTED (-1)
#define VORLEN_SPI_ABORTED 1
#define VORLEN_SPI_UNKNOWN_FORMAT 2
#define VORLEN_SPI_BROKEN_DATA 3
#define VORLEN_SPI_NO_MEMORY 4
#define VORLEN_SPI_MEMORY_ERROR 5
#define VORLEN_SPI_FILE_READ_ERROR 6
#define VORLEN_SPI_INTERNAL_ERROR 8

typedef void* VorlenSpiHandle;
/* Progress callback; the program passes none (null). Non-zero aborts. */
typedef int32_t (*VorlenSpiProgress)(int32_t num, int32_t denom, int32_t data);

#pragma pack(push, 1)
typedef struct VorlenBitmapInfoHeader {
    uint32_t biSize; /* 40 */
    int32_t biWidth;
    int32_t biHeight;
    uint16_t biPlanes;
    uint16_t biBitCount; /* 1, 4, 8, 24 or 32 */
    uint32_t biCompression;
    uint32_t biSizeImage;
    int32_t biXPelsPerMeter;
    int32_t biYPelsPerMeter;
    uint32_t biClrUsed;
    uint32_t biClrImportant;
} VorlenBitmapInfoHeader;
#pragma pack(pop)

#if defined(__GNUC__)
#define VORLEN_SPI_EXPORT __attribute__((visibility("default")))
#else
#define VORLEN_SPI_EXPORT
#endif

/* infono 0: the interface version "00IN"; 1: a description; 2n+2, 2n+3:
 * the file pattern ("*.png") and the format name of type n. Copies at most
 * buflen bytes, zero-ended when there is room; answers the length written
 * (0 for an unknown infono). */
VORLEN_SPI_EXPORT int32_t GetPluginInfo(int32_t infono, char* buf, int32_t buflen);
/* filename may be null; dw is the address of VORLEN_SPI_PROBE_SIZE bytes:
 * the first bytes of the data, zero after its end. Non-zero when the
 * plug-in can decode the data. */
VORLEN_SPI_EXPORT int32_t IsSupported(const char* filename, const void* dw);
/* With flag VORLEN_SPI_MEMORY, buf holds len bytes of data. On success
 * (VORLEN_SPI_OK) *pHBInfo and *pHBm are malloc'ed blocks as described
 * above; on any other answer both are left null. */
VORLEN_SPI_EXPORT int32_t GetPicture(const char* buf, int32_t len, uint32_t flag,
                                     VorlenSpiHandle* pHBInfo, VorlenSpiHandle* pHBm,
                                     VorlenSpiProgress lpPrgressCallback, int32_t lData);

/* The exports' types, for the program's dlsym. */
typedef int32_t (*VorlenGetPluginInfoFunc)(int32_t, char*, int32_t);
typedef int32_t (*VorlenIsSupportedFunc)(const char*, const void*);
typedef int32_t (*VorlenGetPictureFunc)(const char*, int32_t, uint32_t, VorlenSpiHandle*,
                                        VorlenSpiHandle*, VorlenSpiProgress, int32_t);

#ifdef __cplusplus
}
#endif

#endif
