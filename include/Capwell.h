/*
 * Capwell.h - exported API of the capture library Capwell.dll.
 *
 * Plain C, usable from C and C++. Every export returns a 32-bit unsigned
 * result (CPW_OK .. CPW_E_QUERY). Records are owned by the caller and copied
 * by the library, except the capture frames lent by Cpw_GetCaptureData.
 *
 * The header needs no <windows.h>: window handles and RECT are taken as the
 * incomplete types that <windows.h> completes (struct HWND__ under STRICT,
 * struct tagRECT), so callers that include <windows.h> pass HWND and RECT*
 * directly.
 */
#ifndef CAPWELL_H
#define CAPWELL_H

#include <stddef.h>
#include <stdint.h>

#if defined(_WIN32)
#define CPWAPI __cdecl
#else
#define CPWAPI
#endif

#if defined(__cplusplus)
#define CPW_STATIC_ASSERT(cond, msg) static_assert(cond, msg)
#else
#define CPW_STATIC_ASSERT(cond, msg) _Static_assert(cond, msg)
#endif

/* UTF-16 code unit: wchar_t on Windows, so L"..." texts pass directly. */
#if defined(_WIN32)
typedef wchar_t CpwWChar;
#else
typedef uint16_t CpwWChar;
#endif
CPW_STATIC_ASSERT(sizeof(CpwWChar) == 2, "CpwWChar must be a 16-bit unit");

#if defined(__cplusplus)
extern "C" {
#endif

/* Window handle: the same type as HWND of <windows.h> (STRICT). */
struct HWND__;
typedef struct HWND__* CpwWindow;

/* RECT of <windows.h>: left, top, right, bottom (int32). Defined here only
 * where <windows.h> does not exist, so the header stays self-contained. */
struct tagRECT;
#if !defined(_WIN32)
struct tagRECT {
    int32_t left;
    int32_t top;
    int32_t right;
    int32_t bottom;
};
#endif

/* ---- Result codes (uint32) ------------------------------------------- */
typedef uint32_t CpwResult;

#define CPW_OK           0u  /* success; also Cpw_Initialize when already initialised */
#define CPW_E_NOT_READY  1u  /* no library object, or not initialised */
#define CPW_E_DEVICE     2u  /* bridge session or worker could not be started */
#define CPW_E_FIRMWARE   3u  /* controller firmware version not the supported one */
#define CPW_E_DRIVER     4u  /* installed driver version not the supported one */
#define CPW_E_START      5u  /* version unreadable, driver missing, plane or HDMI start failed */
#define CPW_E_NULL       6u  /* a required pointer argument is null */
#define CPW_E_PARAM      7u  /* an argument is out of range */
#define CPW_E_WRITE      8u  /* Cpw_SaveBitmapImage: writing the file failed */
#define CPW_E_OPEN       9u  /* Cpw_SaveBitmapImage: the file could not be created */
#define CPW_E_QUERY     10u  /* a controller query failed, or no still can be taken now */

/* ---- Notification codes: wParam of "Capwell_NotifyMessage" ----------- */
#define CPW_NOTIFY_HDMI      0u  /* HDMI information changed and was read again */
#define CPW_NOTIFY_WATCHDOG  1u  /* the watchdog fired or could not be read */
#define CPW_NOTIFY_STATE     2u  /* CpwVideoState changed: call Cpw_GetState */
#define CPW_NOTIFY_POWER     3u  /* suspend or resume of the device failed */

#define CPW_NOTIFY_MESSAGE_NAME L"Capwell_NotifyMessage"

/* ---- Video state words ----------------------------------------------- */
#define CPW_MODE_LIVE   0u
#define CPW_MODE_PAUSE  1u
#define CPW_MODE_MOVIE  2u

/* ---- Capture frame usage --------------------------------------------- */
#define CPW_FRAME_FREE     0u
#define CPW_FRAME_HELD     1u
#define CPW_FRAME_FILLING  2u

/* ---- Colour constants ------------------------------------------------ */
#define CPW_LUT_POINTS     33
#define CPW_LUT_CHANNELS    3   /* 0 R, 1 G, 2 B */
#define CPW_LUT_MAX      1023u
#define CPW_AXIS_COLORS    12
#define CPW_CAPTURE_FRAME_BYTES 2764800u /* 1280 x 720 x 3 */

#define CPW_NAME_UNITS 1024

/* ---- Records ----------------------------------------------------------- */

/* Argument of Cpw_Initialize. */
typedef struct CpwInitParams {
    CpwWChar name[CPW_NAME_UNITS]; /* client name, zero-terminated, not empty; event-log source */
    uint16_t interval;             /* worker period in ms, 1..1000 */
    uint16_t audio_delay;          /* KDR_DEV_TIME, 2..160 */
    uint16_t wdt_interval;         /* watchdog interval, 1..10000 */
    uint16_t wdt_err_count;        /* watchdog error count, 1..10 */
    uint32_t reserved;             /* stored, not used */
    uint32_t api_log;              /* nonzero: write the API log file */
} CpwInitParams;

/* Version unpacked from one 32-bit word W:
 * major = W >> 28, minor = (W >> 24) & 15, revision = (W >> 8) & 0xFFFF,
 * build = W & 255. */
typedef struct CpwVersion {
    uint16_t major;
    uint16_t minor;
    uint16_t revision;
    uint16_t build;
} CpwVersion;

/* Output of Cpw_GetState. */
typedef struct CpwVideoState {
    uint32_t available; /* 1 while live video can be shown */
    uint32_t mode;      /* CPW_MODE_LIVE, CPW_MODE_PAUSE, CPW_MODE_MOVIE */
    uint32_t video;     /* 1 when the picture plane is on */
    uint32_t audio;     /* 1 when audio pass-through is on */
} CpwVideoState;

/* Output of Cpw_GetHdmiInfo (natural alignment: 6 bytes of padding before
 * fps, 4 at the end). */
typedef struct CpwHdmiInfo {
    uint32_t status;      /* 2 no cable, 1 no signal, 0 otherwise */
    uint32_t detect_hdcp; /* 1 when the input is HDCP protected */
    uint32_t format;      /* 1..4 with a cable connected, else 0 */
    uint32_t scan;        /* 1 or 2 with a cable connected, else 0 */
    uint16_t bit_depth;
    double   fps;         /* 23.98, 24, 25, 29.97, 30, 50, 59.94, 60, or 0 */
    uint16_t width;
    uint16_t height;
} CpwHdmiInfo;

/* Argument of Cpw_ZoomVideo: part of the input in a 3840 x 2160 frame. */
typedef struct CpwZoomRect {
    int32_t  x;
    int32_t  y;
    uint16_t width;
    uint16_t height;
} CpwZoomRect;

/* A movie frame lent by Cpw_GetCaptureData (the library owns it). */
typedef struct CpwCaptureFrame {
    uint64_t frame_id;
    uint32_t format;  /* 0 (bridge format 1), 2 (bridge format 3), 1 otherwise */
    uint16_t width;
    uint16_t height;
    uint8_t* data;    /* CPW_CAPTURE_FRAME_BYTES bytes */
    uint32_t size;    /* valid bytes in data */
    uint32_t index;   /* 0, 1 or 2 */
    uint32_t usage;   /* CPW_FRAME_FREE, CPW_FRAME_HELD, CPW_FRAME_FILLING */
} CpwCaptureFrame;

/* The colour records are packed to 2 bytes: no padding between fields and
 * none at the end (CpwLutGammaLut is exactly 70 bytes). */
#pragma pack(push, 2)

typedef struct CpwLutGammaLut {
    uint32_t channel;               /* 0 R, 1 G, 2 B */
    uint16_t lut[CPW_LUT_POINTS];   /* 10-bit points */
} CpwLutGammaLut;

typedef struct CpwRgbMatrix {
    uint16_t coef[6];  /* coef[0] pair, coef[1] pair, coef[2] pair */
    uint16_t pede;
    uint16_t y_gain;
} CpwRgbMatrix;

typedef struct CpwDriveGain {
    uint16_t gain[3];   /* R, G, B */
} CpwDriveGain;

typedef struct CpwCutoffOffset {
    uint16_t offset[3]; /* R, G, B */
} CpwCutoffOffset;

typedef struct CpwTwelveAxes {
    uint32_t color;     /* 0..11 */
    uint16_t h_offset;
    uint16_t s_gain;
    uint16_t v_gain;
    uint16_t hs_gain[3];
    uint16_t hv_gain[3];
    uint16_t sv_gain[3];
} CpwTwelveAxes;

#pragma pack(pop)

/* ---- Layout checks ----------------------------------------------------- */
CPW_STATIC_ASSERT(sizeof(CpwInitParams) == 2064, "CpwInitParams size");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, interval) == 2048, "CpwInitParams.interval");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, audio_delay) == 2050, "CpwInitParams.audio_delay");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, wdt_interval) == 2052, "CpwInitParams.wdt_interval");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, wdt_err_count) == 2054, "CpwInitParams.wdt_err_count");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, reserved) == 2056, "CpwInitParams.reserved");
CPW_STATIC_ASSERT(offsetof(CpwInitParams, api_log) == 2060, "CpwInitParams.api_log");

CPW_STATIC_ASSERT(sizeof(CpwVersion) == 8, "CpwVersion size");
CPW_STATIC_ASSERT(offsetof(CpwVersion, build) == 6, "CpwVersion.build");

CPW_STATIC_ASSERT(sizeof(CpwVideoState) == 16, "CpwVideoState size");
CPW_STATIC_ASSERT(offsetof(CpwVideoState, audio) == 12, "CpwVideoState.audio");

CPW_STATIC_ASSERT(sizeof(CpwHdmiInfo) == 40, "CpwHdmiInfo size");
CPW_STATIC_ASSERT(offsetof(CpwHdmiInfo, bit_depth) == 16, "CpwHdmiInfo.bit_depth");
CPW_STATIC_ASSERT(offsetof(CpwHdmiInfo, fps) == 24, "CpwHdmiInfo.fps");
CPW_STATIC_ASSERT(offsetof(CpwHdmiInfo, width) == 32, "CpwHdmiInfo.width");
CPW_STATIC_ASSERT(offsetof(CpwHdmiInfo, height) == 34, "CpwHdmiInfo.height");

CPW_STATIC_ASSERT(sizeof(CpwZoomRect) == 12, "CpwZoomRect size");
CPW_STATIC_ASSERT(offsetof(CpwZoomRect, width) == 8, "CpwZoomRect.width");
CPW_STATIC_ASSERT(offsetof(CpwZoomRect, height) == 10, "CpwZoomRect.height");

CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, format) == 8, "CpwCaptureFrame.format");
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, width) == 12, "CpwCaptureFrame.width");
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, height) == 14, "CpwCaptureFrame.height");
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, data) == 16, "CpwCaptureFrame.data");
#if UINTPTR_MAX == 0xFFFFFFFFFFFFFFFFu
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, size) == 24, "CpwCaptureFrame.size");
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, index) == 28, "CpwCaptureFrame.index");
CPW_STATIC_ASSERT(offsetof(CpwCaptureFrame, usage) == 32, "CpwCaptureFrame.usage");
CPW_STATIC_ASSERT(sizeof(CpwCaptureFrame) == 40, "CpwCaptureFrame size");
#endif

CPW_STATIC_ASSERT(sizeof(CpwLutGammaLut) == 70, "CpwLutGammaLut size");
CPW_STATIC_ASSERT(offsetof(CpwLutGammaLut, lut) == 4, "CpwLutGammaLut.lut");
CPW_STATIC_ASSERT(sizeof(CpwRgbMatrix) == 16, "CpwRgbMatrix size");
CPW_STATIC_ASSERT(offsetof(CpwRgbMatrix, pede) == 12, "CpwRgbMatrix.pede");
CPW_STATIC_ASSERT(offsetof(CpwRgbMatrix, y_gain) == 14, "CpwRgbMatrix.y_gain");
CPW_STATIC_ASSERT(sizeof(CpwDriveGain) == 6, "CpwDriveGain size");
CPW_STATIC_ASSERT(sizeof(CpwCutoffOffset) == 6, "CpwCutoffOffset size");
CPW_STATIC_ASSERT(sizeof(CpwTwelveAxes) == 28, "CpwTwelveAxes size");
CPW_STATIC_ASSERT(offsetof(CpwTwelveAxes, h_offset) == 4, "CpwTwelveAxes.h_offset");
CPW_STATIC_ASSERT(offsetof(CpwTwelveAxes, hs_gain) == 10, "CpwTwelveAxes.hs_gain");
CPW_STATIC_ASSERT(offsetof(CpwTwelveAxes, hv_gain) == 16, "CpwTwelveAxes.hv_gain");
CPW_STATIC_ASSERT(offsetof(CpwTwelveAxes, sv_gain) == 22, "CpwTwelveAxes.sv_gain");

/* ---- Library frame ----------------------------------------------------- */
CpwResult CPWAPI Cpw_Initialize(const CpwInitParams* params);
CpwResult CPWAPI Cpw_Finalize(void);
CpwResult CPWAPI Cpw_GetApiVersion(CpwVersion* version);
CpwResult CPWAPI Cpw_GetFirmwareVersion(CpwVersion* version);
CpwResult CPWAPI Cpw_GetDriverVersion(CpwVersion* version);
CpwResult CPWAPI Cpw_RegisterNotifyWindowMessage(CpwWindow window);
CpwResult CPWAPI Cpw_UnRegisterNotifyWindowMessage(void);
CpwResult CPWAPI Cpw_GetNotifyWindowMessageCode(uint32_t* code);
CpwResult CPWAPI Cpw_SetState(uint32_t mode, uint32_t video, uint32_t audio);
CpwResult CPWAPI Cpw_GetState(CpwVideoState* state);
CpwResult CPWAPI Cpw_GetHdmiInfo(CpwHdmiInfo* info);

/* ---- Picture position, zoom, frames and stills ------------------------- */
CpwResult CPWAPI Cpw_GetCaptureData(CpwCaptureFrame** frame);
CpwResult CPWAPI Cpw_ReleaseCaptureData(void);
CpwResult CPWAPI Cpw_SetVideoPosition(const struct tagRECT* rect);
CpwResult CPWAPI Cpw_ZoomVideo(const CpwZoomRect* zoom);
CpwResult CPWAPI Cpw_ResetZoomVideo(void);
CpwResult CPWAPI Cpw_SaveBitmapImage(const CpwWChar* path);

/* ---- Colour correction --------------------------------------------------- */
CpwResult CPWAPI Cpw_SetLutGammaLut(const CpwLutGammaLut* lut);
CpwResult CPWAPI Cpw_ResetLutGammaLut(uint32_t channel);
CpwResult CPWAPI Cpw_GetDefaultLutGammaLut(uint32_t channel, CpwLutGammaLut* lut);
CpwResult CPWAPI Cpw_SetRgbMatrix(const CpwRgbMatrix* matrix);
CpwResult CPWAPI Cpw_ResetRgbMatrix(void);
CpwResult CPWAPI Cpw_GetDefaultRgbMatrix(CpwRgbMatrix* matrix);
CpwResult CPWAPI Cpw_SetDriveCutoffPos(uint32_t post_lutgamma);
CpwResult CPWAPI Cpw_ResetDriveCutoffPos(void);
CpwResult CPWAPI Cpw_GetDefaultDriveCutoffPos(uint32_t* post_lutgamma);
CpwResult CPWAPI Cpw_SetDriveGain(const CpwDriveGain* gain);
CpwResult CPWAPI Cpw_ResetDriveGain(void);
CpwResult CPWAPI Cpw_GetDefaultDriveGain(uint16_t gain[3]);
CpwResult CPWAPI Cpw_SetCutoffOffset(const CpwCutoffOffset* offset);
CpwResult CPWAPI Cpw_ResetCutoffOffset(void);
CpwResult CPWAPI Cpw_GetDefaultCutoffOffset(uint16_t offset[3]);
CpwResult CPWAPI Cpw_SetColorMuteEnable(uint32_t r, uint32_t g, uint32_t b);
CpwResult CPWAPI Cpw_ResetColorMute(void);
CpwResult CPWAPI Cpw_SetTwelveAxes(const CpwTwelveAxes* axes);
CpwResult CPWAPI Cpw_ResetTwelveAxes(uint32_t color);
CpwResult CPWAPI Cpw_GetDefaultTwelveAxes(uint32_t color, CpwTwelveAxes* axes);
CpwResult CPWAPI Cpw_ResetColorSetting(void);

#if defined(__cplusplus)
} /* extern "C" */
#endif

#endif /* CAPWELL_H */
