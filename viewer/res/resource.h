// Resource numbers of the viewer program, grouped by area. Numbers the Parts
// give are used as given; each area adds its own under its heading.
#pragma once

// Icons.
#define IDR_MAINFRAME 128

// Dialog templates of the views.
#define IDD_VIDEO_PLAY_VIEW 310
#define IDD_VIDEO_ERROR_VIEW 313
#define IDD_VIDEO_BLANK_CONTROLLER_VIEW 329
#define IDD_VIDEO_BLANK_VIEW 337

// Controls of the error view.
#define IDC_ERROR_LINE1 1016
#define IDC_ERROR_LINE2 1017
#define IDC_ERROR_LINE3 1018
#define IDC_ERROR_LINE4 1019
#define IDC_ERROR_BUTTON 1021

// Strings.
#define IDS_APP_TITLE 128
#define IDS_NO_SIGNAL_1 132
#define IDS_NO_SIGNAL_2 133
#define IDS_NO_SIGNAL_3 134
#define IDS_NO_SIGNAL_4 135
#define IDS_BLOCKED_1 136
#define IDS_BLOCKED_2 137
#define IDS_BLOCKED_3 138
#define IDS_BLOCKED_4 139
#define IDS_FATAL_1 140
#define IDS_FATAL_2 141
#define IDS_FATAL_3 142
#define IDS_FATAL_4 143
#define IDS_UPDATE_1 144
#define IDS_UPDATE_2 145
#define IDS_UPDATE_3 146
#define IDS_UPDATE_4 147
#define IDS_CONTINUE 148
#define IDS_TRANSITION_1 149
#define IDS_OK 156
#define IDS_ALREADY_1 157
#define IDS_ALREADY_2 158
#define IDS_ALREADY_3 159
#define IDS_ALREADY_4 160
#define IDS_SUSPENDED_1 161
#define IDS_SUSPENDED_2 162
#define IDS_SUSPENDED_3 163
#define IDS_SUSPENDED_4 164
#define IDS_TRANSITION_2 165
#define IDS_TRANSITION_3 166
#define IDS_TRANSITION_4 167
#define IDS_VERSION_MENU 174
#define IDS_SAVE_SPACE_1 233
#define IDS_SAVE_SPACE_2 234
#define IDS_SAVE_SPACE_3 235
#define IDS_SAVE_SPACE_4 236
#define IDS_SAVE_LOCATION_1 237
#define IDS_SAVE_LOCATION_2 238
#define IDS_SAVE_LOCATION_3 239
#define IDS_SAVE_LOCATION_4 240

// System menu command of the version dialog.
#define IDM_VERSION 0xE140

// ---- Main frame and application -------------------------------------------


// ---- Splitters and display views (play, caption, blank, error) ------------
#define IDD_VIDEO_CAPTION_VIEW 330
#define IDC_CAPTION_CLOSE 1020
#define IDC_CAPTION_SIGNAL 1035
#define IDC_CAPTION_POWER 1108
#define IDC_CAPTION_APP_NAME 1109
#define IDC_CAPTION_HDCP 1194
#define IDS_EXTERNAL_POWER 209
#define IDS_INTERNAL_BATTERY 210
#define IDS_HDCP_MARK 223


// ---- Controller bar and setting panel ------------------------------------
#define IDD_VIDEO_PLAY_CONTROLLER_VIEW 314
#define IDD_VIDEO_ERROR_CONTROLLER_VIEW 317
// Play controller bar.
#define IDC_BAR_FULL_SCREEN 1004
#define IDC_BAR_ZOOM 1008
#define IDC_BAR_SETTING 1012
#define IDC_BAR_ZOOM_TEXT 1037
#define IDC_BAR_METER_0 1038
#define IDC_BAR_BALANCE_2 1040
#define IDC_BAR_BALANCE_3 1041
#define IDC_BAR_BALANCE_4 1042
#define IDC_BAR_LEVEL_1 1046
#define IDC_BAR_LEVEL_2 1047
#define IDC_BAR_LEVEL_3 1048
#define IDC_BAR_CAPTURE 1052
#define IDC_BAR_LEVEL_4 1055
#define IDC_BAR_LINE_1 1056
#define IDC_BAR_LINE_2 1057
#define IDC_BAR_LINE_3 1058
#define IDC_BAR_BALANCE_LABEL 1059
#define IDC_BAR_LEVEL_LABEL 1060
#define IDC_BAR_TABLET_NOTICE 1072
#define IDC_BAR_METER_1 1105
#define IDC_BAR_L 1106
#define IDC_BAR_R 1107
#define IDC_BAR_BALANCE_1 1114
#define IDC_BAR_PAUSE 1177
#define IDC_BAR_FOLDER 1180
#define IDC_BAR_WAVE_0 1186
#define IDC_BAR_WAVE_1 1187
#define IDC_BAR_WAVE_2 1188
#define IDC_BAR_WAVE_3 1189
#define IDC_BAR_WAVEFORM 1190
#define IDC_BAR_BACK 1191
// Error controller bar.
#define IDC_EBAR_FULL_SCREEN 1007
#define IDC_EBAR_ZOOM 1011
#define IDC_EBAR_SETTING 1015
#define IDC_EBAR_ZOOM_TEXT 1039
#define IDC_EBAR_BALANCE_2 1043
#define IDC_EBAR_BALANCE_3 1044
#define IDC_EBAR_BALANCE_4 1045
#define IDC_EBAR_LEVEL_1 1049
#define IDC_EBAR_LEVEL_2 1050
#define IDC_EBAR_LEVEL_3 1051
#define IDC_EBAR_CAPTURE 1053
#define IDC_EBAR_LEVEL_4 1065
#define IDC_EBAR_LINE_1 1066
#define IDC_EBAR_LINE_2 1067
#define IDC_EBAR_LINE_3 1068
#define IDC_EBAR_BALANCE_LABEL 1069
#define IDC_EBAR_LEVEL_LABEL 1070
#define IDC_EBAR_BALANCE_1 1115
#define IDC_EBAR_PAUSE 1178
#define IDC_EBAR_FOLDER 1181
#define IDC_EBAR_L 1182
#define IDC_EBAR_R 1183
#define IDC_EBAR_METER_0 1184
#define IDC_EBAR_METER_1 1185
#define IDC_EBAR_WAVEFORM 1193
// Strings of the bar.
#define IDS_FULL_SCREEN 129
#define IDS_NORMAL_SCREEN 130
#define IDS_CURVE_22 151
#define IDS_CURVE_24 153
#define IDS_CURVE_LOG 154
#define IDS_SETTING 177
#define IDS_BALANCE 179
#define IDS_TABLET_NOTICE 180
#define IDS_CUSTOM 183
#define IDS_LEVEL_LOW 186
#define IDS_LEVEL_MIDDLE 187
#define IDS_LEVEL_HIGH 188
#define IDS_LEFT 207
#define IDS_RIGHT 208
#define IDS_LEVEL 213


// ---- Control kit, waveform, meter, zoom navigator, version dialog --------
#define IDD_VERSION_DIALOG 100
#define IDS_VERSION_TITLE_PREFIX 168
#define IDS_VERSION_TITLE_SUFFIX 169
#define IDS_VERSION_DRIVER 170
#define IDS_VERSION_FIRMWARE 171
#define IDS_VERSION_API 172
#define IDS_VERSION_NONE 173
#define IDC_VERSION_PRODUCT 1026
#define IDC_VERSION_DRIVER 1027
#define IDC_VERSION_FIRMWARE 1028
#define IDC_VERSION_API 1029
#define IDC_VERSION_PRODUCT_LABEL 1030
#define IDC_VERSION_DRIVER_LABEL 1031
#define IDC_VERSION_FIRMWARE_LABEL 1032
#define IDC_VERSION_API_LABEL 1033
#define IDC_VERSION_COPYRIGHT 1034
// Children of the numeric up-down.
#define IDC_UPDOWN_INCREMENT 1146
#define IDC_UPDOWN_DECREMENT 1147
#define IDC_UPDOWN_TEXT 1148


// ---- Bitmaps --------------------------------------------------------------
// Drawn by res/bitmaps/make_bitmaps.py. Button pictures: normal, pressed, disabled.
#define IDB_NAVIGATOR_FRAME 318
#define IDB_NAVIGATOR_FRAME_DISABLED 319
#define IDB_FULL_SCREEN 324
#define IDB_NORMAL_SCREEN 325
#define IDB_ZOOM 326
#define IDB_SCREEN_DISABLED 336
#define IDB_BACK 397
#define IDB_BACK_DISABLED 398
#define IDB_BACK_PRESSED 399
#define IDB_CAMERA 400
#define IDB_CAMERA_DISABLED 401
#define IDB_CAMERA_PRESSED 402
#define IDB_CLOSE 403
#define IDB_CLOSE_PRESSED 404
#define IDB_FOLDER 405
#define IDB_FOLDER_DISABLED 406
#define IDB_FOLDER_PRESSED 407
#define IDB_PAUSE 411
#define IDB_PAUSE_DISABLED 412
#define IDB_PLAY 413
#define IDB_WAVEFORM 414
#define IDB_WAVEFORM_DISABLED 415
#define IDB_WAVEFORM_PRESSED 416
#define IDB_CHECK_OFF 417
#define IDB_CHECK_ON 418

