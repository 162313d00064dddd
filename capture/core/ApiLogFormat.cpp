#include "capture/core/ApiLogFormat.h"

#include <cstdarg>
#include <cstdio>
#include <vector>

namespace Capwell::Lib::LogText {

std::string Printf(const char* format, ...) {
    char small[512];
    va_list args;
    va_start(args, format);
    va_list again;
    va_copy(again, args);
    const int n = std::vsnprintf(small, sizeof small, format, args);
    va_end(args);
    std::string out;
    if (n < 0) {
        va_end(again);
        return out;
    }
    if (static_cast<size_t>(n) < sizeof small) {
        out.assign(small, static_cast<size_t>(n));
    } else {
        std::vector<char> big(static_cast<size_t>(n) + 1);
        std::vsnprintf(big.data(), big.size(), format, again);
        out.assign(big.data(), static_cast<size_t>(n));
    }
    va_end(again);
    return out;
}

std::string Ptr(const void* p) {
    return Printf("%016llX", static_cast<unsigned long long>(reinterpret_cast<uintptr_t>(p)));
}

std::string Line(const LocalTime& t, int32_t result, const char* name, const std::string& args) {
    std::string line = Printf("%04d/%02d/%02d,%02d:%02d:%02d.%d,", t.year, t.month, t.day, t.hour,
                              t.minute, t.second, t.milliseconds);
    line += Printf("%d,%s,", result, name);
    line += args;
    line += '\n';
    return line;
}

namespace {
std::string D(Dev dev) { return "0x" + Ptr(dev); }
std::string DV(Dev dev, Vp vp) { return "0x" + Ptr(dev) + ",0x" + Ptr(vp); }
}  // namespace

std::string DevOpen(Dev dev) { return D(dev) + ",0"; }
std::string DevClose(Dev dev) { return D(dev); }
std::string VpCreate(Dev dev, Vp vp) { return DV(dev, vp) + ",2,0"; }
std::string VpIndex(Dev dev, Vp vp, int index) {
    return DV(dev, vp) + Printf(",%d,index:%d", KDR_VP_INDEX, index);
}
std::string DevEdp(Dev dev, int enb_edp) {
    return D(dev) + Printf(",%d,enb_edp:%d", KDR_DEV_EDP, enb_edp);
}
std::string DevTime(Dev dev, int time) { return D(dev) + Printf(",%d,time:%d", KDR_DEV_TIME, time); }
std::string DevWdtInit(Dev dev, int interval, int err_count) {
    return D(dev) + Printf(",%d,%d", interval, err_count);
}
std::string FirmInfo(Dev dev, const KdrFirmInfo& r) {
    return D(dev) + Printf(",%d,firminfo_1:%d firminfo_2:%d firminfo_3:%d firminfo_4:%d "
                           "firminfo_5:%d firminfo_6:%d firminfo_7:%d version_no:0x%x",
                           KDR_DEV_FIRMINFO, r.firminfo_1, r.firminfo_2, r.firminfo_3,
                           r.firminfo_4, r.firminfo_5, r.firminfo_6, r.firminfo_7, r.version_no);
}
std::string ApiVersion(Dev dev, uint32_t version_no) {
    return D(dev) + Printf(",%d,version_no:0x%x", KDR_DEV_VERSION, version_no);
}
std::string Wdt(Dev dev, const KdrWdtInfo& r) {
    return D(dev) + Printf(",%d,state:%d interval:%d err_count:%d kdr_count:%d kdr_err:%d",
                           KDR_DEV_WDT, r.state, r.interval, r.err_count, r.kdr_count, r.kdr_err);
}
std::string Output(Dev dev, const KdrOutputInfo& r) {
    return D(dev) + Printf(",%d,event:0x%x size.x:%d size.y:%d", KDR_DEV_OUTPUT, r.event, r.size.x,
                           r.size.y);
}
std::string Hdmi(Dev dev, const KdrHdmiInfo& r) {
    return D(dev) + Printf(",%d,event:0x%x size.x:%d size.y:%d connect:%d format:%d scan:%d "
                           "fps:%f bit_depth:%d detect_hdcp:%d",
                           KDR_DEV_HDMI, r.event, r.size.x, r.size.y, r.connect, r.format, r.scan,
                           static_cast<double>(r.fps), r.bit_depth, r.detect_hdcp);
}
std::string VpAngle(Dev dev, Vp vp, int angle) {
    return DV(dev, vp) + Printf(",%d,angle:%d", KDR_VP_ANGLE, angle);
}
std::string VpPosition(Dev dev, Vp vp, const KdrRect& r) {
    return DV(dev, vp) + Printf(",%d,top.x:%d top.y:%d size.x:%d size.y:%d", KDR_VP_POSITION,
                                r.top.x, r.top.y, r.size.x, r.size.y);
}
std::string VpZoom(Dev dev, Vp vp, int mode, const KdrParts& z) {
    return DV(dev, vp) + Printf(",%d,parts.x:%d parts.y:%d top.x:%d top.y:%d size.x:%d size.y:%d",
                                mode, z.parts.x, z.parts.y, z.top.x, z.top.y, z.size.x, z.size.y);
}
std::string VpEnable(Dev dev, Vp vp, int enb) {
    return DV(dev, vp) + Printf(",%d,enb:%d", KDR_VP_ENABLE, enb);
}
std::string Lut(Dev dev, const KdrLutGamma& r) {
    std::string s = D(dev) + Printf(",%d,enb:%d", KDR_DEV_LUT, r.enb);
    constexpr const char* kHead[3] = {"\n\tlut[R]:", "\n\tlut[G]:", "\n\tlut[B]:"};
    for (int c = 0; c < 3; ++c) {
        s += kHead[c];
        for (int i = 0; i < 33; ++i) {
            if (i) s += ',';
            s += Printf("%d", r.lut[c][i]);
        }
    }
    return s;
}
std::string Matrix(Dev dev, const KdrRgbMatrix& r) {
    return D(dev) + Printf(",%d,y_gain:0x%x pede:0x%x coef[0]:%d,%d coef[1]:%d,%d coef[2]:%d,%d",
                           KDR_DEV_MATRIX, r.y_gain, r.pede, r.coef[0][0], r.coef[0][1],
                           r.coef[1][0], r.coef[1][1], r.coef[2][0], r.coef[2][1]);
}
std::string DriveCutoff(Dev dev, const KdrDriveCutoff& r) {
    return D(dev) + Printf(",%d,post_lutgamma:%d drive.enb:%d drive.gain:%d,%d,%d cutoff.enb:%d "
                           "cutoff.offset:%d,%d,%d",
                           KDR_DEV_DRIVE_CUTOFF, r.post_lutgamma, r.drive.enb, r.drive.gain[0],
                           r.drive.gain[1], r.drive.gain[2], r.cutoff.enb, r.cutoff.offset[0],
                           r.cutoff.offset[1], r.cutoff.offset[2]);
}
std::string Mute(Dev dev, const KdrColorMute& r) {
    return D(dev) + Printf(",%d,enb:%d,%d,%d", KDR_DEV_MUTE, r.enb[0], r.enb[1], r.enb[2]);
}
std::string TwelveAxes(Dev dev, const KdrTwelveAxes& r) {
    std::string s = D(dev) + Printf(",%d,enb:%d", KDR_DEV_TWELVE_AXES, r.enb);
    for (int c = 0; c < 12; ++c) {
        const KdrAxisColor& a = r.color[c];
        s += Printf("\n\tcolor[%d]:h_offset:%d s_gain:%d v_gain:%d hs_gain:%d,%d,%d "
                    "hv_gain:%d,%d,%d sv_gain:%d,%d,%d",
                    c, a.h_offset, a.s_gain, a.v_gain, a.hs_gain[0], a.hs_gain[1], a.hs_gain[2],
                    a.hv_gain[0], a.hv_gain[1], a.hv_gain[2], a.sv_gain[0], a.sv_gain[1],
                    a.sv_gain[2]);
    }
    return s;
}
std::string DevSetCb(Dev dev, int kind, const void* fn) {
    return D(dev) + Printf(",%d,0x", kind) + Ptr(fn);
}
std::string VpSetCb(Dev dev, Vp vp, int kind, const void* fn) {
    return DV(dev, vp) + Printf(",%d,0x", kind) + Ptr(fn) + ",0x" + Ptr(nullptr);
}
std::string VpState(Dev dev, Vp vp, int state) {
    return DV(dev, vp) + Printf(",%d,state:%d", KDR_VP_STATE, state);
}
std::string StillInfo(Dev dev, Vp vp, const KdrStillInfo& r) {
    return DV(dev, vp) + Printf(",%d,size.x:%d size.y:%d datasize:%d", KDR_VP_STILL_INFO, r.size.x,
                                r.size.y, static_cast<int>(r.datasize));
}
std::string StillBitmap(Dev dev, Vp vp, const void* buffer, uint32_t size) {
    return DV(dev, vp) + Printf(",%d,bmpdata.buffer:0x", KDR_VP_STILL_BITMAP) + Ptr(buffer) +
           Printf(" bmpdata.size:%d", static_cast<int>(size));
}
std::string MovieSetting(Dev dev, Vp vp, const KdrMovieSetting& r) {
    return DV(dev, vp) +
           Printf(",%d,size.x:%d size.y:%d format:%d fps:%d buffer.buffer:0x%x buffer.size:%d",
                  KDR_VP_MOVIE_SETTING, r.size.x, r.size.y, r.format, r.fps,
                  static_cast<unsigned>(reinterpret_cast<uintptr_t>(r.buffer.buffer)),
                  static_cast<int>(r.buffer.size));
}
std::string FrameRelease(Dev dev, Vp vp, uint64_t frame_id) {
    return DV(dev, vp) + Printf(",%d,frame_id:%d", KDR_VP_FRAME_RELEASE, static_cast<int>(frame_id));
}
std::string VpPlain(Dev dev, Vp vp) { return DV(dev, vp); }

std::string HdmiCallback(const KdrHdmiInfo& r) {
    return Printf("event:0x%08x size.x:%d size.y:%d", r.event, r.size.x, r.size.y);
}
std::string StateCallback(int state) { return Printf("state:%d", state); }
std::string MovieCallback(const KdrMovieFrame& f) {
    return Printf("frame_id:%d drop_count:%d size.x:%d size.y%d format:%d data.buffer:0x",
                  static_cast<int>(f.frame_id), static_cast<int>(f.drop_count), f.size.x, f.size.y,
                  f.format) +
           Ptr(f.data.buffer) + Printf(" data.size:%d", static_cast<int>(f.data.size));
}

std::string Failure(const char* name, int32_t result) { return Printf("%s(%d)", name, result); }

}  // namespace Capwell::Lib::LogText
