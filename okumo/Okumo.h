/*
 * Okumo.h - the colour-correction library's waveform conversion, as the
 * viewer calls it. Okumo.dll here is our stand-in for the outside library:
 * the same export, a real conversion.
 *
 * Okm_ConvertToWaveFormData fills four waveform data blocks (red, green,
 * blue, luma) from one picture. Each block is
 *   offset 0  u16 column count N (the picture's width, at most 1280)
 *   offset 2  u16 level count (119)
 *   offset 4  bins: column c, level k (0..118) at 4 + 238 c + 2 k
 * The bin is the number of pixels of column c whose value has level k.
 * Level k = 8 + round(value x 100 / 255), so 0 % and 100 % land on levels
 * 8 and 108, the waveform graticule's 0 and 100 lines.
 */
#ifndef OKUMO_H
#define OKUMO_H

#include <stdint.h>

#if defined(_WIN32)
#define OKMAPI __cdecl
#else
#define OKMAPI
#endif

#if defined(__cplusplus)
extern "C" {
#endif

#define OKM_OK 0
#define OKM_E_PARAM 1

#define OKM_PIXEL_BGR24 1u      /* three bytes a pixel, blue first, top-down rows */
#define OKM_MAX_COLUMNS 1280
#define OKM_LEVELS 119
#define OKM_BLOCK_BYTES (4 + OKM_MAX_COLUMNS * OKM_LEVELS * 2) /* 304644 */

typedef struct OkmPicture {
    uint32_t pixel_format; /* OKM_PIXEL_BGR24 */
    uint16_t width;        /* 1..OKM_MAX_COLUMNS */
    uint16_t height;       /* 1.. */
    const uint8_t* data;   /* width x height x 3 bytes, rows not padded */
} OkmPicture;

/* Blocks of OKM_BLOCK_BYTES each; only the picture's columns are written.
 * Returns OKM_OK, or OKM_E_PARAM for a missing pointer, an unknown pixel
 * format or a size out of range (nothing is written then). */
int32_t OKMAPI Okm_ConvertToWaveFormData(const OkmPicture* picture, uint8_t* red, uint8_t* green, uint8_t* blue,
                                         uint8_t* luma);

#if defined(__cplusplus)
}
#endif

#endif /* OKUMO_H */
