/* Control API of the controller simulator (the stand-in Merrowcom.dll).
 *
 * In-process tests bind these functions through MrcSimClient.h (from Merrowcom.dll, or the linked
 * native component library) to set the simulated controller up, inject faults and read back
 * what the controller received. Other processes use a scenario file instead, named by the
 * environment variable MERROWCOM_SCENARIO (docs/simulator.md).
 *
 * Every function returns 0 on success and -1 on a bad argument or a scenario error
 * (MrcSim_LastError() then says why), unless stated otherwise. All functions are thread-safe,
 * but none may be called from inside the registered receiver except MrcSim_Emit, MrcSim_Peek,
 * MrcSim_Poke and MrcSim_GetStatus. Plain C, x64 calling convention. */
#ifndef SIMULATOR_INCLUDE_MERROWCOMSIM_H
#define SIMULATOR_INCLUDE_MERROWCOMSIM_H

#include <stdint.h>

#ifdef __cplusplus
extern "C" {
#endif

/* HDMI input. state: 0 no cable, 1 cable without signal, 2 signal. fps_code: 1 23.98, 2 24,
 * 3 25, 4 29.97, 5 30, 6 50, 7 59.94, 8 60. scan: 1 interlaced, 2 progressive.
 * format: 1 RGB, 2 YUV 4:4:4, 3 YUV 4:2:2, 4 YUV 4:2:0. hdcp: 0 or 1. */
typedef struct MrcSimHdmi {
    uint32_t state;
    uint32_t width;
    uint32_t height;
    uint32_t fps_code;
    uint32_t scan;
    uint32_t format;
    uint32_t bit_depth;
    uint32_t hdcp;
} MrcSimHdmi;

/* One entry of the record of what the controller received.
 * kind 1: a message (GenericFunc op 5, accepted): channel, words[0..3].
 * kind 2: a 32-bit register write (op 7): address, words[0] = value.
 * kind 3: a 64-bit write (op 9): address, value64.
 * kind 4: a block write (op 13): address, length, words = its first 16 bytes. */
typedef struct MrcSimRecord {
    uint64_t seq;
    uint32_t kind;
    uint32_t channel;
    uint32_t address;
    uint32_t length;
    uint32_t words[4];
    double value64;
} MrcSimRecord;

typedef struct MrcSimStatus {
    uint32_t playback_state;      /* 1 live, 2 paused, 3 movie */
    uint32_t session_open;        /* between commands 0x80000001 and 0x80000002 */
    uint32_t receiver_registered; /* GenericFunc op 3 done and not undone */
    uint32_t firmware_version;
    uint64_t commands;            /* messages taken from channels 16 and 34 */
    uint64_t replies;             /* replies put out on channels 17 and 35 */
    uint64_t events;              /* messages put out on channel 32 */
    uint64_t delivered;           /* messages handed to the receiver */
    uint64_t undelivered;         /* messages dropped for want of a receiver */
    uint64_t frames_produced;     /* frame notices 0x20020001 sent */
    uint64_t frames_dropped;      /* device drops: no free frame buffer when a frame was due */
    uint32_t frames_out;          /* frames notified and not yet given back (0xC0003) */
    uint32_t frame_buffers;       /* controller frame buffers of the current movie */
    uint64_t picture_frame;       /* current input frame number (frozen while paused) */
    uint64_t record_total;        /* record entries ever made */
    uint64_t startups;            /* successful DeviceUtil op 2 calls */
    uint64_t releases;            /* DeviceUtil op 3 calls */
} MrcSimStatus;

/* Command fault actions. */
#define MRCSIM_FAULT_NO_REPLY 0u /* carried out, no reply */
#define MRCSIM_FAULT_DELAY 1u    /* carried out, reply delay_ms later */
#define MRCSIM_FAULT_FAIL 2u     /* not carried out, reply with word1 / word2 */

/* MrcSim_FailCommand's channel and code for every command and draw request: with
 * MRCSIM_FAULT_NO_REPLY and count -1 the controller has gone silent. */
#define MRCSIM_ANY_CHANNEL 0u
#define MRCSIM_ANY_CODE 0xFFFFFFFFu

/* Register fault operations (bit mask). */
#define MRCSIM_REG_READ 1u  /* ops 6, 8, 12 */
#define MRCSIM_REG_WRITE 2u /* ops 7, 9, 13 */

/* Power-on reset with a scenario given as JSON text (NULL or "" = all defaults). Threads are
 * restarted; the registered receiver is kept. */
int32_t MrcSim_Reset(const char* scenario_json);
/* Power-on reset with a scenario file (UTF-8 file name). */
int32_t MrcSim_LoadScenarioFile(const char* path);
/* Changes the running controller with a partial scenario (JSON, same keys as a scenario
 * file) merged over the current one, without a reset: HDMI changes send their events. */
int32_t MrcSim_Update(const char* scenario_json);
/* Text of the last error of this API or of the MERROWCOM_SCENARIO file ("" when none). */
const char* MrcSim_LastError(void);

int32_t MrcSim_SetHdmi(const MrcSimHdmi* hdmi); /* emits 0x20010001 (+0x20000001 on a size change) */
int32_t MrcSim_GetHdmi(MrcSimHdmi* hdmi);

/* Fault injection. count: how many times (-1 = until cleared). code 0 on channel 16 is the
 * draw request; MRCSIM_ANY_CHANNEL / MRCSIM_ANY_CODE match every channel / code. */
int32_t MrcSim_FailCommand(uint32_t channel, uint32_t code, uint32_t action, uint32_t word1, uint32_t word2,
                           uint32_t delay_ms, int32_t count);
/* The next `busy` sends return 0xC00000A3, the next `not_accepted` ones return 0 with the accepted
 * word 0, the next `result_count` accepted ones carry `result` in the reply's result word and go no
 * further. channel 0 = any. */
int32_t MrcSim_FailSend(uint32_t channel, int32_t busy, int32_t not_accepted, uint32_t result,
                        int32_t result_count);
/* The next `count` messages delivered on `channel` carry the lost bit (bit 0 of the flags). */
int32_t MrcSim_MarkLost(uint32_t channel, int32_t count);
int32_t MrcSim_FailRegister(uint32_t address, uint32_t ops, uint32_t status, int32_t count, int32_t skip);
/* DeviceUtil op 1 or 2 returns `status` (0 = normal again). */
int32_t MrcSim_FailStartup(uint32_t op, uint32_t status);
int32_t MrcSim_ClearFaults(void);

/* Puts `count` messages {w0, w1, w2, w3} on `channel` (32 = events): count > 1 is an event flood. */
int32_t MrcSim_Emit(uint32_t channel, uint32_t w0, uint32_t w1, uint32_t w2, uint32_t w3, uint32_t count);
/* Manual clock ("clock": "manual"): moves time forward, producing due frames and timeline entries. */
int32_t MrcSim_Advance(uint32_t ms);
uint64_t MrcSim_NowMs(void);
/* Waits until every message sent was run and every reply or event delivered. */
int32_t MrcSim_WaitIdle(uint32_t timeout_ms);

/* Takes a snapshot of the record and returns its length; MrcSim_RecordGet reads the snapshot. */
uint32_t MrcSim_RecordCount(void);
int32_t MrcSim_RecordGet(uint32_t index, MrcSimRecord* out);
int32_t MrcSim_RecordClear(void);

/* Register words without faults or recording. */
int32_t MrcSim_Peek(uint32_t address, uint32_t* value);
int32_t MrcSim_Poke(uint32_t address, uint32_t value);
int32_t MrcSim_GetStatus(MrcSimStatus* out);

/* The controller's "/dev/shm" store. GetFile: *length = the file's size; the data is copied when
 * capacity is enough (else -1 with *length set). */
int32_t MrcSim_GetFile(const char* name, void* buffer, uint32_t capacity, uint32_t* length);
int32_t MrcSim_PutFile(const char* name, const void* data, uint32_t length);
/* The image made active by the last "fw_update swap". Same conventions as MrcSim_GetFile. */
int32_t MrcSim_GetFirmwareImage(void* buffer, uint32_t capacity, uint32_t* length);

/* The simulated panel: what the tablet's panel would show. tablet_*: the screen area that stands
 * for the tablet's panel (all 0: the primary monitor); it is fitted into the controller's output
 * size as the capture library fits the display (one scale, centred) and the video plane's picture
 * is put wherever it has the key colour 0x000300 inside the plane's rectangle. mirror_*: where the
 * mirror window showing the result goes (all 0: the first monitor that does not overlap the
 * tablet's area; no mirror window when there is none, or with no_mirror 1). It must lie outside
 * the tablet's area, so that screen copies there keep the key colour. period_ms: composition
 * period (0: 20 ms). Windows only (-1 natively). */
typedef struct MrcSimPanel {
    int32_t tablet_left, tablet_top, tablet_right, tablet_bottom;
    int32_t mirror_left, mirror_top, mirror_right, mirror_bottom;
    uint32_t period_ms;
    uint32_t no_mirror;
} MrcSimPanel;
int32_t MrcSim_PanelStart(const MrcSimPanel* setup); /* NULL: all defaults; -1 when already shown */
int32_t MrcSim_PanelStop(void);
/* Writes what the panel shows now (composed at this moment, over the started panel's tablet area,
 * or the primary monitor when none is started) as a 24-bit BMP file at `path` (UTF-8), at the
 * controller's output size. */
int32_t MrcSim_PanelSnapshot(const char* path);

/* Stops the controller's threads and frees it (the next call starts a fresh one). For a tidy end
 * of a test process; never needed otherwise. */
int32_t MrcSim_Shutdown(void);

#ifdef __cplusplus
}
#endif

#endif /* SIMULATOR_INCLUDE_MERROWCOMSIM_H */
