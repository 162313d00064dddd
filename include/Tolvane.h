/*
 * Tolvane.h - exported API of the device bridge Tolvane.dll (the Kdr_ functions).
 *
 * Plain C, usable from C (C11 or later) and C++. Every function returns a signed
 * 32-bit result code (KDR_OK or one of the KDR_ERR_ values). The first argument of
 * every function except Kdr_DevOpen is the ADDRESS of the caller's KdrHandle
 * variable that Kdr_DevOpen filled, not the handle value itself.
 *
 * Records are plain structures with the natural alignment of their fields; the
 * static assertions at the end of this file pin their sizes and offsets for the
 * 64-bit targets the bridge is built for.
 */
#ifndef TOLVANE_H
#define TOLVANE_H

#include <stdint.h>

#if defined(_WIN32)
#define KDR_CALL __cdecl
#else
#define KDR_CALL
#endif

#ifdef __cplusplus
#define KDR_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
extern "C" {
#else
#define KDR_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* ---- Result codes ---------------------------------------------------------- */
#define KDR_OK 0
#define KDR_ERR_PARAM (-1)       /* bad argument, unknown id, out of range, refused */
#define KDR_ERR_TIMEOUT (-2)     /* controller did not answer in time / not delivered */
#define KDR_ERR_FAIL (-3)        /* not open, wrong handle, transport or controller failure */
#define KDR_ERR_UNSUPPORTED (-4) /* not supported (for this plane, or at all) */
#define KDR_ERR_STATE (-6)       /* plane or capture in the wrong state */
#define KDR_ERR_ORDER (-7)       /* a LUT curve is not non-decreasing */

/* ---- Handle ------------------------------------------------------------------ */
typedef struct KdrDevice_* KdrHandle; /* opaque, pointer-sized */

/* ---- Callback kinds (Kdr_DevSetCb: 5, 6; Kdr_VpSetCb: 14, 20) ---------------- */
#define KDR_CB_HDMI_SIZE 5
#define KDR_CB_HDMI_INFO 6
#define KDR_CB_STATE 14
#define KDR_CB_MOVIE 20

/* ---- Device property ids (KdrDevProp) -------------------------------------- */
typedef int32_t KdrDevProp;
#define KDR_DEV_FIRMINFO 1      /* get: KdrFirmInfo */
#define KDR_DEV_VERSION 2       /* get: uint32_t version_no (always 0x11000200) */
#define KDR_DEV_WDT 3           /* set: KdrWdtInfo (words 2 and 3 used); get: KdrWdtInfo */
#define KDR_DEV_OUTPUT 4        /* get: KdrOutputInfo */
#define KDR_DEV_PANEL 5         /* get: KdrXY */
#define KDR_DEV_HDMI 6          /* get: KdrHdmiInfo */
#define KDR_DEV_TIME 7          /* set/get: int32_t time */
#define KDR_DEV_AUX 8           /* get: uint32_t */
#define KDR_DEV_EDP 9           /* set/get/reset: int32_t enb_edp */
#define KDR_DEV_MATRIX 10       /* set/get/reset: KdrRgbMatrix */
#define KDR_DEV_TWELVE_AXES 11  /* set/get/reset: KdrTwelveAxes */
#define KDR_DEV_DRIVE_CUTOFF 12 /* set/get/reset: KdrDriveCutoff */
#define KDR_DEV_LUT 13          /* set/get/reset: KdrLutGamma */
#define KDR_DEV_MUTE 14         /* set/get/reset: KdrColorMute */
#define KDR_DEV_AREA_ENABLE 15  /* set/get/reset: int32_t (0 or 1) */
#define KDR_DEV_AREA_TOP 16     /* set/get/reset: KdrXY */
#define KDR_DEV_AREA_SIZE 17    /* set/get/reset: KdrXY */

#define KDR_DEV_VERSION_NO 0x11000200u

/* ---- Plane ids (KdrPlaneId) ------------------------------------------------- */
typedef int32_t KdrPlaneId;
#define KDR_PLANE_BASE 1
#define KDR_PLANE_VIDEO 2
#define KDR_PLANE_EXTRA 100

/* ---- Plane property ids (KdrVpProp); 6 is accepted without effect ----------- */
typedef int32_t KdrVpProp;
#define KDR_VP_ENABLE 1         /* int32_t enb */
#define KDR_VP_POSITION 2       /* KdrRect, output pixels */
#define KDR_VP_SRC_WHOLE 3      /* no data; source mode 3 */
#define KDR_VP_SRC_CROP 4       /* KdrRect, input pixels; source mode 4 */
#define KDR_VP_SRC_PARTS 5      /* KdrParts; source mode 5 */
#define KDR_VP_ANGLE 10         /* int32_t: 90, 180, 270, anything else 0 */
#define KDR_VP_INDEX 11         /* uint8_t */
#define KDR_VP_DRAW_MODE 13     /* int32_t, 1 or 2 */
#define KDR_VP_STATE 14         /* get: int32_t KdrState */
#define KDR_VP_STILL_INFO 16    /* get: KdrStillInfo */
#define KDR_VP_STILL_BITMAP 17  /* get: KdrBuffer to fill with a BMP file image */
#define KDR_VP_MOVIE_SETTING 18 /* set: KdrMovieSetting */
#define KDR_VP_MOVIE_STATS 19   /* get: KdrMovieStats */
#define KDR_VP_FRAME_RELEASE 21 /* set: uint64_t frame_id */

/* ---- Playback states (KdrState) --------------------------------------------- */
typedef int32_t KdrState;
#define KDR_STATE_LIVE 1
#define KDR_STATE_PAUSED 2
#define KDR_STATE_MOVIE 3

/* ---- Movie formats (KdrMovieSetting.format): 3 bytes a pixel for 1 and 2, 2 for 3 */
#define KDR_MOVIE_FORMAT_1 1
#define KDR_MOVIE_FORMAT_2 2
#define KDR_MOVIE_FORMAT_3 3

/* ---- Firmware update progress states ---------------------------------------- */
#define KDR_UPDATE_PREPARING 2
#define KDR_UPDATE_WRITING 3
#define KDR_UPDATE_VERIFYING 4
#define KDR_UPDATE_DONE 5

/* ---- Small records ------------------------------------------------------------ */
typedef struct KdrXY {
    int32_t x;
    int32_t y;
} KdrXY;

typedef struct KdrRect {
    KdrXY top;
    KdrXY size;
} KdrRect;

typedef struct KdrBuffer {
    void* buffer;
    uint32_t size; /* followed by 4 bytes of padding on 64-bit targets */
} KdrBuffer;

typedef struct KdrParts {
    KdrXY parts; /* tiles across and down */
    KdrXY top;   /* first tile */
    KdrXY size;  /* tiles covered */
} KdrParts;

/* ---- Device property records ------------------------------------------------ */
typedef struct KdrFirmInfo {
    uint32_t version_no;
    int32_t firminfo_1;
    int32_t firminfo_2;
    int32_t firminfo_3;
    int32_t firminfo_4;
    int32_t firminfo_5;
    int32_t firminfo_6;
    int32_t firminfo_7;
} KdrFirmInfo;

typedef struct KdrWdtInfo {
    int32_t state;
    int32_t interval;
    int32_t err_count;
    int32_t kdr_count;
    int32_t kdr_err;
} KdrWdtInfo;

typedef struct KdrOutputInfo {
    uint32_t event;
    KdrXY size;
} KdrOutputInfo;

typedef struct KdrHdmiInfo {
    uint32_t event;
    KdrXY size;
    int32_t connect;     /* 0 or 1 */
    int32_t format;
    int32_t scan;        /* 0, 1 or 2 */
    int32_t fps;         /* frame-rate code */
    int32_t bit_depth;
    int32_t detect_hdcp; /* 0 or 1 */
} KdrHdmiInfo;

typedef struct KdrRgbMatrix {
    uint16_t coef[3][2]; /* each 0..511 */
    uint16_t pede;       /* 0..1023 */
    uint16_t y_gain;     /* 0..255 */
} KdrRgbMatrix;

typedef struct KdrAxisColor {
    uint16_t h_offset;   /* 0..255 */
    uint16_t s_gain;     /* 0..255 */
    uint16_t v_gain;     /* 0..255 */
    uint16_t hs_gain[3]; /* each 0..15 */
    uint16_t hv_gain[3]; /* each 0..15 */
    uint16_t sv_gain[3]; /* each 0..15 */
} KdrAxisColor;

typedef struct KdrTwelveAxes {
    int32_t enb; /* 0 or 1 */
    KdrAxisColor color[12];
} KdrTwelveAxes;

typedef struct KdrDriveGain {
    int32_t enb;      /* 0 or 1 */
    uint16_t gain[3]; /* each 0..1023 */
    uint16_t reserved;
} KdrDriveGain;

typedef struct KdrCutoffOffset {
    int32_t enb;        /* 0 or 1 */
    uint16_t offset[3]; /* each 0..4095 */
    uint16_t reserved;
} KdrCutoffOffset;

typedef struct KdrDriveCutoff {
    int32_t post_lutgamma; /* 0 or 1 */
    KdrDriveGain drive;
    KdrCutoffOffset cutoff;
} KdrDriveCutoff;

typedef struct KdrLutGamma {
    int32_t enb;          /* 0 or 1 */
    uint16_t lut[3][33];  /* R, G, B; each 0..1023, non-decreasing */
} KdrLutGamma;

typedef struct KdrColorMute {
    int32_t enb[3]; /* R, G, B; each 0 or 1 */
} KdrColorMute;

/* ---- Plane records -------------------------------------------------------------- */
typedef struct KdrStillInfo {
    KdrXY size;
    uint32_t datasize; /* bytes of the BMP file image */
} KdrStillInfo;

typedef struct KdrMovieSetting {
    KdrXY size;     /* x 60..3840, y 40..2160 */
    int32_t format; /* 1..3 */
    int32_t fps;    /* 1..60 */
    KdrBuffer buffer;
} KdrMovieSetting;

typedef struct KdrMovieFrame {
    uint64_t frame_id;
    uint64_t drop_count;
    KdrXY size;
    int32_t format;
    uint32_t reserved; /* always 0 */
    KdrBuffer data;    /* the 4 bytes after data.size are 0 */
} KdrMovieFrame;

typedef struct KdrMovieStats {
    uint32_t slots;
    uint32_t free;
    uint64_t frames;
    uint64_t dropped;
} KdrMovieStats;

/* ---- Firmware update progress ---------------------------------------------------- */
typedef struct KdrUpdateProgress {
    int32_t state; /* KDR_UPDATE_ */
    int32_t percent;
    int32_t retry_count;
    int32_t reserved;
} KdrUpdateProgress;

/* ---- Callbacks (all run on the bridge's notification thread, no bridge lock held,
 *      except the update progress callback, which runs on the caller's thread) ---- */
typedef void(KDR_CALL* KdrHdmiSizeCb)(const KdrXY* size);
typedef void(KDR_CALL* KdrHdmiInfoCb)(const KdrHdmiInfo* info);
typedef void(KDR_CALL* KdrStateCb)(void* user, const int32_t* state);
typedef void(KDR_CALL* KdrMovieCb)(void* user, const KdrMovieFrame* frame);
typedef void(KDR_CALL* KdrUpdateCb)(const KdrUpdateProgress* progress);
/* The registration functions take any of the above through this generic type. */
typedef void(KDR_CALL* KdrCallback)(void);
#define KDR_CALLBACK(fn) ((KdrCallback)(fn))

/* ---- Connection ------------------------------------------------------------------ */
int32_t KDR_CALL Kdr_DevOpen(KdrHandle* handle, int32_t flags);
int32_t KDR_CALL Kdr_DevClose(KdrHandle* handle);
/* One function exported under two names; always KDR_ERR_UNSUPPORTED. */
int32_t KDR_CALL Kdr_DevReset(KdrHandle* handle);
int32_t KDR_CALL Kdr_VpDisableAll(KdrHandle* handle);
int32_t KDR_CALL Kdr_DevSetCb(KdrHandle* handle, uint32_t kind, KdrCallback fn);
int32_t KDR_CALL Kdr_VpSetCb(KdrHandle* handle, int32_t* plane, int32_t kind, KdrCallback fn,
                             void* user);

/* ---- Video planes and movie capture -------------------------------------------- */
int32_t KDR_CALL Kdr_VpCreate(KdrHandle* handle, int32_t* plane, int32_t kind, int32_t flags);
int32_t KDR_CALL Kdr_VpGet(KdrHandle* handle, int32_t* plane, int32_t kind, int32_t flags);
int32_t KDR_CALL Kdr_VpDestroy(KdrHandle* handle, int32_t* plane);
int32_t KDR_CALL Kdr_VpSetProp(KdrHandle* handle, int32_t* plane, int32_t id, const void* record);
int32_t KDR_CALL Kdr_VpGetProp(KdrHandle* handle, int32_t* plane, int32_t id, void* record);
int32_t KDR_CALL Kdr_VpDrawAll(KdrHandle* handle);
int32_t KDR_CALL Kdr_VpPlay(KdrHandle* handle, int32_t* plane);
int32_t KDR_CALL Kdr_VpPause(KdrHandle* handle, int32_t* plane);
int32_t KDR_CALL Kdr_VpMovie(KdrHandle* handle, int32_t* plane);

/* ---- Device update ------------------------------------------------------------------ */
int32_t KDR_CALL Kdr_DevUpdate(KdrHandle* handle, const char* path, KdrUpdateProgress* progress,
                               KdrUpdateCb callback);

/* ---- Device properties ------------------------------------------------------------- */
int32_t KDR_CALL Kdr_DevSetProp(KdrHandle* handle, int32_t id, const void* record);
int32_t KDR_CALL Kdr_DevGetProp(KdrHandle* handle, int32_t id, void* record);
int32_t KDR_CALL Kdr_DevResetProp(KdrHandle* handle, int32_t id);
int32_t KDR_CALL Kdr_DevWdtInit(KdrHandle* handle, int32_t first, int32_t second);

#ifdef __cplusplus
} /* extern "C" */
#endif

/* ---- Layout checks ------------------------------------------------------------------ */
#include <stddef.h>
KDR_STATIC_ASSERT(sizeof(void*) == 8, "the bridge's records are laid out for 64-bit targets");
KDR_STATIC_ASSERT(sizeof(KdrHandle) == sizeof(void*), "KdrHandle is pointer-sized");
KDR_STATIC_ASSERT(sizeof(KdrXY) == 8, "KdrXY");
KDR_STATIC_ASSERT(sizeof(KdrRect) == 16 && offsetof(KdrRect, size) == 8, "KdrRect");
KDR_STATIC_ASSERT(sizeof(KdrBuffer) == 16 && offsetof(KdrBuffer, size) == 8, "KdrBuffer");
KDR_STATIC_ASSERT(sizeof(KdrParts) == 24 && offsetof(KdrParts, top) == 8 &&
                      offsetof(KdrParts, size) == 16,
                  "KdrParts");
KDR_STATIC_ASSERT(sizeof(KdrFirmInfo) == 32 && offsetof(KdrFirmInfo, firminfo_7) == 28,
                  "KdrFirmInfo");
KDR_STATIC_ASSERT(sizeof(KdrWdtInfo) == 20 && offsetof(KdrWdtInfo, interval) == 4 &&
                      offsetof(KdrWdtInfo, err_count) == 8,
                  "KdrWdtInfo");
KDR_STATIC_ASSERT(sizeof(KdrOutputInfo) == 12 && offsetof(KdrOutputInfo, size) == 4,
                  "KdrOutputInfo");
KDR_STATIC_ASSERT(sizeof(KdrHdmiInfo) == 36 && offsetof(KdrHdmiInfo, size) == 4 &&
                      offsetof(KdrHdmiInfo, connect) == 12 && offsetof(KdrHdmiInfo, fps) == 24 &&
                      offsetof(KdrHdmiInfo, detect_hdcp) == 32,
                  "KdrHdmiInfo");
KDR_STATIC_ASSERT(sizeof(KdrRgbMatrix) == 16 && offsetof(KdrRgbMatrix, pede) == 12 &&
                      offsetof(KdrRgbMatrix, y_gain) == 14,
                  "KdrRgbMatrix");
KDR_STATIC_ASSERT(sizeof(KdrAxisColor) == 24 && offsetof(KdrAxisColor, hs_gain) == 6 &&
                      offsetof(KdrAxisColor, hv_gain) == 12 && offsetof(KdrAxisColor, sv_gain) == 18,
                  "KdrAxisColor");
KDR_STATIC_ASSERT(sizeof(KdrTwelveAxes) == 292 && offsetof(KdrTwelveAxes, color) == 4,
                  "KdrTwelveAxes");
KDR_STATIC_ASSERT(sizeof(KdrDriveGain) == 12 && offsetof(KdrDriveGain, gain) == 4, "KdrDriveGain");
KDR_STATIC_ASSERT(sizeof(KdrCutoffOffset) == 12 && offsetof(KdrCutoffOffset, offset) == 4,
                  "KdrCutoffOffset");
KDR_STATIC_ASSERT(sizeof(KdrDriveCutoff) == 28 && offsetof(KdrDriveCutoff, drive) == 4 &&
                      offsetof(KdrDriveCutoff, cutoff) == 16,
                  "KdrDriveCutoff");
KDR_STATIC_ASSERT(sizeof(KdrLutGamma) == 204 && offsetof(KdrLutGamma, lut) == 4, "KdrLutGamma");
KDR_STATIC_ASSERT(sizeof(KdrColorMute) == 12, "KdrColorMute");
KDR_STATIC_ASSERT(sizeof(KdrStillInfo) == 12 && offsetof(KdrStillInfo, datasize) == 8,
                  "KdrStillInfo");
KDR_STATIC_ASSERT(sizeof(KdrMovieSetting) == 32 && offsetof(KdrMovieSetting, format) == 8 &&
                      offsetof(KdrMovieSetting, fps) == 12 &&
                      offsetof(KdrMovieSetting, buffer) == 16,
                  "KdrMovieSetting");
KDR_STATIC_ASSERT(sizeof(KdrMovieFrame) == 48 && offsetof(KdrMovieFrame, drop_count) == 8 &&
                      offsetof(KdrMovieFrame, size) == 16 &&
                      offsetof(KdrMovieFrame, format) == 24 &&
                      offsetof(KdrMovieFrame, reserved) == 28 &&
                      offsetof(KdrMovieFrame, data) == 32,
                  "KdrMovieFrame: 4 zero bytes after format, data at 32");
KDR_STATIC_ASSERT(sizeof(KdrMovieStats) == 24 && offsetof(KdrMovieStats, frames) == 8 &&
                      offsetof(KdrMovieStats, dropped) == 16,
                  "KdrMovieStats");
KDR_STATIC_ASSERT(sizeof(KdrUpdateProgress) == 16, "KdrUpdateProgress");

#endif /* TOLVANE_H */
