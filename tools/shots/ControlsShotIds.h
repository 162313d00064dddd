// Identifiers of the controls test dialog (ControlsShotHost.rc).
#pragma once

#define IDD_CONTROLS_SHOT 9000
#define IDC_SHOT_BUTTON_FIRST 9001  // six image buttons: normal, pressed, disabled, focused, picture only, text only
#define IDC_SHOT_TOGGLE_FIRST 9011  // toggles: off, on, on and disabled, check box off, check box on
#define IDC_SHOT_RADIO_FIRST 9021   // two radio buttons of one group
#define IDC_SHOT_UPDOWN 9031
#define IDC_SHOT_UPDOWN_DISABLED 9032
#define IDC_SHOT_SLIDER 9033
#define IDC_SHOT_SLIDER_DISABLED 9034
#define IDC_SHOT_LINE_H 9035
#define IDC_SHOT_LINE_V 9036
#define IDC_SHOT_WAVE_FIRST 9041  // red, green, blue, luminance
#define IDC_SHOT_METER_EMPTY 9051
#define IDC_SHOT_METER_LEVEL 9052
#define IDC_SHOT_ZOOM_FIRST 9061  // 1.0, 2.0 centred, 4.0 in the corner, disabled
