// Shows the controls test dialog (every control of the kit in each state) and
// then the version dialog, for tools/shots/controls.sh.
//
//   ControlsShotHost SYNC_DIR
//
// For shot N it shows the dialog, writes SYNC_DIR\ready-N and waits for
// SYNC_DIR\done-N. The level meters read fake endpoints, since Wine has no
// line-level capture device.
#include <windows.h>
#include <commctrl.h>

#include <array>
#include <cstdio>
#include <memory>
#include <string>

#include "ControlsShotIds.h"
#include "resource.h"
#include "viewer/controls/AudioLevelMeter.h"
#include "viewer/controls/BitmapButtonEx.h"
#include "viewer/controls/KitCommon.h"
#include "viewer/controls/LineControl.h"
#include "viewer/controls/NumericUpDown.h"
#include "viewer/controls/SliderCtrlEx.h"
#include "viewer/controls/VersionDialog.h"
#include "viewer/controls/WaveformControl.h"
#include "viewer/controls/ZoomControl.h"
#include "viewer/core/DisplayInfo.h"
#include "viewer/framework/Dialogs.h"
#include "viewer/tests/FakeLevelEndpoints.h"

namespace {

using namespace vistrel;
constexpr UINT kShoot = WM_APP + 300;
std::wstring g_sync;
int g_shot = 0;

void Pump(DWORD ms) {
    const ULONGLONG end = GetTickCount64() + ms;
    MSG m;
    while (GetTickCount64() < end) {
        while (PeekMessageW(&m, nullptr, 0, 0, PM_REMOVE)) {
            TranslateMessage(&m);
            DispatchMessageW(&m);
        }
        Sleep(10);
    }
}

bool Exists(const std::wstring& path) { return GetFileAttributesW(path.c_str()) != INVALID_FILE_ATTRIBUTES; }

// Lets the dialog settle, tells the script to take the picture and waits for it.
void Shoot() {
    Pump(700);
    const std::wstring n = std::to_wstring(++g_shot);
    if (HANDLE f = CreateFileW((g_sync + L"\\ready-" + n).c_str(), GENERIC_WRITE, 0, nullptr, CREATE_ALWAYS, 0,
                               nullptr);
        f != INVALID_HANDLE_VALUE) {
        CloseHandle(f);
    }
    const ULONGLONG give_up = GetTickCount64() + 60000;
    while (!Exists(g_sync + L"\\done-" + n) && GetTickCount64() < give_up) Pump(50);
}

// A 1920 x 1280 display: half the design size.
constexpr controls::LayoutState kLayout{1920, 1280, 0};

DisplayInfo Display() {
    DisplayInfo d;
    d.screen.width = kLayout.width;
    d.screen.height = kLayout.height;
    return d;
}

class ControlsDialog : public fw::Dialog {
public:
    ControlsDialog() : fw::Dialog(IDD_CONTROLS_SHOT) {}

protected:
    bool OnInitDialog() override {
        font_ = controls::MakeMeiryo(controls::Scaled(50, kLayout));
        const auto button = [&](CBitmapButtonEx& b, int id) {
            (void)b.Attach(Item(id));
            b.SetLayoutState(kLayout);
            b.Send(WM_SETFONT, reinterpret_cast<WPARAM>(font_.Get()), TRUE);
        };
        for (int i = 0; i < 6; ++i) button(buttons_[i], IDC_SHOT_BUTTON_FIRST + i);
        for (int i = 0; i < 4; ++i) buttons_[i].SetImages(IDB_FULL_SCREEN, 0, IDB_SCREEN_DISABLED);
        buttons_[4].SetImages(IDB_CAMERA, IDB_CAMERA_PRESSED, IDB_CAMERA_DISABLED, controls::ImageMode::Fills);
        buttons_[1].Send(BM_SETSTATE, TRUE);  // held down
        for (int i = 0; i < 5; ++i) button(toggles_[i], IDC_SHOT_TOGGLE_FIRST + i);
        (void)toggles_[1].SetState(true, false);
        (void)toggles_[2].SetState(true, false);
        // The pause button as the controller bar has it: the play picture while on.
        toggles_[0].SetOnImages(IDB_PAUSE, IDB_PLAY, IDB_PAUSE_DISABLED, IDB_PLAY, IDB_PAUSE_DISABLED);
        toggles_[1].SetOnImages(IDB_PAUSE, IDB_PLAY, IDB_PAUSE_DISABLED, IDB_PLAY, IDB_PAUSE_DISABLED);
        toggles_[2].SetOnImages(IDB_PAUSE, IDB_PLAY, IDB_PAUSE_DISABLED, IDB_PLAY, IDB_PAUSE_DISABLED);
        for (int i = 3; i < 5; ++i) {
            toggles_[i].SetOnImages(IDB_CHECK_OFF, IDB_CHECK_OFF, IDB_CHECK_OFF, IDB_CHECK_ON, IDB_CHECK_ON);
        }
        (void)toggles_[4].SetState(true, false);
        for (int i = 0; i < 2; ++i) {
            button(radios_[i], IDC_SHOT_RADIO_FIRST + i);
            radios_[i].SetGroupName(L"shot");
        }
        (void)radios_[0].SetState(true, true);

        for (NumericUpDown* n : {&number_, &number_disabled_}) {
            (void)n->Attach(Item(n == &number_ ? IDC_SHOT_UPDOWN : IDC_SHOT_UPDOWN_DISABLED));
            n->SetLayoutState(kLayout);
            n->SetRange(0, 100);
            n->SetValue(n == &number_ ? 42 : 7, false);
        }
        EnableWindow(number_disabled_.IncrementButton(), FALSE);
        EnableWindow(number_disabled_.DecrementButton(), FALSE);
        for (SliderCtrlEx* s : {&slider_, &slider_disabled_}) {
            (void)s->Attach(Item(s == &slider_ ? IDC_SHOT_SLIDER : IDC_SHOT_SLIDER_DISABLED));
            s->SetLayoutState(kLayout);
            s->SetRange(0, 100);
            s->SetPos(s == &slider_ ? 60 : 30);
        }
        (void)line_h_.Attach(Item(IDC_SHOT_LINE_H));
        line_h_.SetLayoutState(kLayout);
        (void)line_v_.Attach(Item(IDC_SHOT_LINE_V));
        line_v_.SetLayoutState(kLayout);

        for (int i = 0; i < 4; ++i) {
            WaveFormControl& w = waves_[i];
            (void)w.Attach(Item(IDC_SHOT_WAVE_FIRST + i));
            w.SetKind(i);
            FillWave(w.Data(), i);
            w.Render();
            InvalidateRect(w.Handle(), nullptr, FALSE);
        }

        (void)meter_empty_.Attach(Item(IDC_SHOT_METER_EMPTY));
        meter_level_.SetChannel(1);
        (void)meter_level_.Attach(Item(IDC_SHOT_METER_LEVEL));

        const controls::ZoomState states[4] = {{0, 0, 1920, 1080, 0.5, 0.5, 1.0},
                                               {0, 0, 1920, 1080, 0.5, 0.5, 2.0},
                                               {0, 0, 1920, 1080, 0.0, 0.0, 4.0},
                                               {0, 0, 1920, 1080, 0.5, 0.5, 2.0}};
        for (int i = 0; i < 4; ++i) {
            (void)zooms_[i].Attach(Item(IDC_SHOT_ZOOM_FIRST + i));
            zooms_[i].Update(states[i], Display());
        }
        SetFocus(buttons_[3].Handle());
        PostMessageW(Handle(), kShoot, 0, 0);
        return false;  // the focus is set above
    }

    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        switch (msg) {
            case kShoot:
                Shoot();
                EndDialog(IDOK);
                return 0;
            case WM_CTLCOLORDLG: return reinterpret_cast<LRESULT>(dark_.Get());
            // The sliders sit on the setting panel's grey.
            case WM_CTLCOLORSTATIC: return reinterpret_cast<LRESULT>(panel_.Get());
            default: break;
        }
        return fw::Dialog::HandleMessage(msg, w, l);
    }

private:
    // A ramp that rises across the picture, a band per kind, so each display
    // shows its colour's whole palette.
    static void FillWave(std::uint8_t* block, int kind) {
        controls::SetWaveColumnCount(block, controls::kWaveColumns);
        for (int c = 0; c < controls::kWaveColumns; ++c) {
            const int centre = 10 + (c * 90) / controls::kWaveColumns + kind * 4;
            for (int k = 0; k < controls::kWaveLevels; ++k) {
                const int d = k > centre ? k - centre : centre - k;
                if (d < 12) controls::SetWaveBin(block, c, k, static_cast<std::uint16_t>((12 - d) * 9));
            }
        }
    }

    fw::Font font_;
    fw::Brush dark_{CreateSolidBrush(kDarkBackground)};
    fw::Brush panel_{CreateSolidBrush(controls::kUpDownTextBack)};
    std::array<CBitmapButtonEx, 6> buttons_;
    std::array<ToggleButton, 5> toggles_;
    std::array<RadioButton, 2> radios_;
    NumericUpDown number_;
    NumericUpDown number_disabled_;
    SliderCtrlEx slider_;
    SliderCtrlEx slider_disabled_;
    LineControlHorizontal line_h_;
    LineControlVertical line_v_;
    std::array<WaveFormControl, 4> waves_;
    AudioLevelMeterControl meter_empty_;
    AudioLevelMeterControl meter_level_;
    std::array<CZoomControl, 4> zooms_;
};

class ShotVersionDialog : public VersionDialog {
public:
    using VersionDialog::VersionDialog;

protected:
    bool OnInitDialog() override {
        const bool focus = VersionDialog::OnInitDialog();
        PostMessageW(Handle(), kShoot, 0, 0);
        return focus;
    }
    LRESULT HandleMessage(UINT msg, WPARAM w, LPARAM l) override {
        if (msg != kShoot) return VersionDialog::HandleMessage(msg, w, l);
        // A modal dialog is shown when its loop first idles, which the shot's own pump never lets happen.
        ShowWindow(Handle(), SW_SHOW);
        Shoot();
        EndDialog(IDOK);
        return 0;
    }
};

std::wstring Beside(const wchar_t* name) {
    wchar_t path[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, path, MAX_PATH);
    std::wstring p = path;
    return p.substr(0, p.find_last_of(L"\\/") + 1) + name;
}

}  // namespace

int wmain(int argc, wchar_t** argv) {
    if (argc < 2) {
        std::fputs("usage: ControlsShotHost SYNC_DIR\n", stderr);
        return 2;
    }
    g_sync = argv[1];
    INITCOMMONCONTROLSEX icc{sizeof icc, ICC_BAR_CLASSES};
    InitCommonControlsEx(&icc);
    fakelevel::SetEndpoints({{2, {0.0f, 0.6f}}});
    AudioLevelSource::SetEnumeratorFactory(fakelevel::MakeEnumerator);
    {
        ControlsDialog dialog;
        if (dialog.DoModal(nullptr) != IDOK) {
            std::fputs("ControlsShotHost: the controls dialog could not be shown\n", stderr);
            return 1;
        }
    }
    // The product's own version resource, with versions as the library would give them.
    ShotVersionDialog version(0x0001000000030002ull, 0x0000000000040001ull, 0x0000000000000002ull,
                              Beside(L"Vistrel.exe"));
    if (version.DoModal(nullptr) != IDOK) {
        std::fputs("ControlsShotHost: the version dialog could not be shown\n", stderr);
        return 1;
    }
    return 0;
}
