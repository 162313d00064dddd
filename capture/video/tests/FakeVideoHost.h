// A controller and library stand-in for the video control: records every call
// in order and keeps a plane state that Play, Pause and Movie move the way the
// controller does.
#pragma once

#include <cstring>
#include <string>
#include <vector>

#include "capture/video/VideoHost.h"

namespace cwtest {

class FakeVideoHost : public Capwell::Lib::VideoHost {
public:
    std::vector<std::string> calls;
    std::vector<uint32_t> notes;  // notification codes in order

    bool open = true;
    int32_t plane = KDR_STATE_LIVE;
    int32_t plane_read_result = KDR_OK;
    int32_t setting_result = KDR_OK;
    int32_t still_info_result = KDR_OK;
    int32_t still_bitmap_result = KDR_OK;
    bool watchdog_ok = true;
    bool suspend_ok = true;
    bool resume_ok = true;
    bool hdmi_changed = false;
    bool state_changed = false;
    bool settle = true;
    uint32_t input = Capwell::Lib::kInputSignal;
    CpwHdmiInfo hdmi{0, 0, 3, 1, 8, 60.0, 1920, 1080};
    std::vector<uint8_t> still;  // the bitmap the controller returns
    KdrMovieSetting last_setting{};
    uint8_t movie_buffer[16]{};
    int32_t last_position[4]{};
    bool timer1 = true, timer2 = false;
    int holds = 0;  // worker holds not yet released

    bool SessionOpen() override { return open; }
    int32_t GetPlaneState(int32_t& s) override {
        calls.push_back("state");
        if (plane_read_result == KDR_OK) s = plane;
        return plane_read_result;
    }
    int32_t Play() override { return Move("play", KDR_STATE_LIVE, plane != KDR_STATE_LIVE); }
    int32_t Pause() override { return Move("pause", KDR_STATE_PAUSED, plane == KDR_STATE_LIVE); }
    int32_t Movie() override { return Move("movie", KDR_STATE_MOVIE, plane == KDR_STATE_LIVE); }
    int32_t SetMovieSetting(const KdrMovieSetting& s) override {
        calls.push_back("setting");
        if (setting_result != KDR_OK) return setting_result;
        if (plane != KDR_STATE_LIVE) return KDR_ERR_STATE;
        last_setting = s;
        return KDR_OK;
    }
    int32_t GetStillInfo(KdrStillInfo& info) override {
        calls.push_back("still_info");
        if (still_info_result != KDR_OK) return still_info_result;
        if (plane != KDR_STATE_PAUSED) return KDR_ERR_STATE;
        info = KdrStillInfo{{2, 2}, static_cast<uint32_t>(still.size())};
        return KDR_OK;
    }
    int32_t GetStillBitmap(KdrBuffer& b) override {
        calls.push_back("still_bitmap");
        if (still_bitmap_result != KDR_OK) return still_bitmap_result;
        if (b.size < still.size()) return KDR_ERR_PARAM;
        std::memcpy(b.buffer, still.data(), still.size());
        return KDR_OK;
    }
    void HoldRequests() override {
        calls.push_back("hold");
        ++holds;
    }
    void ReleaseRequests() override {
        calls.push_back("release");
        --holds;
    }
    void* MovieBuffer(uint32_t& bytes) override {
        bytes = sizeof movie_buffer;
        return movie_buffer;
    }
    uint32_t ReadHdmi(CpwHdmiInfo& info) override {
        calls.push_back("read_hdmi");
        hdmi_changed = false;
        info = hdmi;
        return input;
    }
    uint32_t QueryHdmi(CpwHdmiInfo& info) override {
        calls.push_back("query_hdmi");
        info = hdmi;
        return input;
    }
    bool CheckWatchdog() override { return watchdog_ok; }
    bool SuspendDevice() override { calls.push_back("suspend_device"); return suspend_ok; }
    bool ResumeDevice() override { calls.push_back("resume_device"); return resume_ok; }
    bool HdmiChanged() override { return hdmi_changed; }
    bool TakeStateChanged() override {
        const bool was = state_changed;
        state_changed = false;
        return was;
    }
    void RestoreStateChanged() override { state_changed = true; }
    void SetSettle(bool on) override {
        calls.push_back(on ? "settle_on" : "settle_off");
        settle = on;
    }
    void QueueAudio(uint32_t on) override { calls.push_back("audio=" + std::to_string(on)); }
    void QueueVideo(uint32_t on) override { calls.push_back("video=" + std::to_string(on)); }
    void QueuePosition(int32_t x, int32_t y, int32_t w, int32_t h) override {
        calls.push_back("position");
        last_position[0] = x, last_position[1] = y, last_position[2] = w, last_position[3] = h;
    }
    void QueueZoom(int32_t x, int32_t y, uint16_t w, uint16_t h) override {
        calls.push_back("zoom " + std::to_string(x) + "," + std::to_string(y) + "," +
                        std::to_string(w) + "," + std::to_string(h));
    }
    void QueueZoomWhole() override { calls.push_back("zoom_whole"); }
    void RefreshDisplay() override { calls.push_back("display"); }
    void Notify(uint32_t code) override {
        calls.push_back("notify=" + std::to_string(code));
        notes.push_back(code);
    }
    void StartTimer(int id) override {
        calls.push_back("start_timer" + std::to_string(id));
        (id == 1 ? timer1 : timer2) = true;
    }
    void StopTimer(int id) override {
        calls.push_back("stop_timer" + std::to_string(id));
        (id == 1 ? timer1 : timer2) = false;
    }
    void Sleep(uint32_t ms) override { calls.push_back("sleep" + std::to_string(ms)); }

    bool Called(const std::string& c) const {
        for (const auto& x : calls)
            if (x == c) return true;
        return false;
    }

private:
    int32_t Move(const char* name, int32_t target, bool allowed) {
        calls.push_back(name);
        if (plane == target) return KDR_OK;
        if (!allowed) return KDR_ERR_STATE;
        plane = target;
        return KDR_OK;
    }
};

}  // namespace cwtest
