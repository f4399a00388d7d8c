// Resource ids of VeltoRecorder.exe: every dialog, control, menu, bitmap, string and command id
// lives here. Prefixes: IDD dialog, IDC control, IDB bitmap, IDI icon, IDR menu, IDS string,
// ID_ command, IDCUR cursor.
#pragma once

// Icons, bitmaps, cursors, menus
#define IDI_APP 128
#define IDR_CONTEXT_MENU 128
#define IDB_SKIN 131
#define IDCUR_GREY_ARROW 700

// Strings
#define IDS_OPTION_SHEET 103
#define IDS_APP_NAME 57344

// Commands
#define ID_APP_ABOUT 57664
#define ID_HELP_PAGE 32773
#define ID_BUG_BOARD 32774
#define ID_QUALITY_FIRST 6235  // quality popup: 6235 + row
#define ID_TYPE_FIRST 7235     // file-type popup: 7235 + record type

// Main window
#define IDC_PATH_BOX 101

// About box
#define IDD_ABOUTBOX 100
#define IDC_ABOUT_HOMEPAGE 1004
#define IDC_ABOUT_HIDDEN_EDIT 1005
#define IDC_ABOUT_BANNER 1024

// Options sheet pages
#define IDD_OPTION_ABOUT 104
#define IDC_OPTION_ABOUT_BANNER 1014

#define IDD_OPTION_AUTOSTOP 105
#define IDC_AUTOSTOP_ENABLE 1013
#define IDC_AUTOSTOP_HOURS 1007
#define IDC_AUTOSTOP_HOURS_SPIN 1019
#define IDC_AUTOSTOP_MINUTES 1006
#define IDC_AUTOSTOP_MINUTES_SPIN 1018
#define IDC_AUTOSTOP_SECONDS 1014
#define IDC_AUTOSTOP_SECONDS_SPIN 1020
#define IDC_AUTOSTOP_SET 1012
#define IDC_AUTOSTOP_BANNER 1015

#define IDD_OPTION_MIXER 106
#define IDC_MIXER_VOLUME 1002
#define IDC_MIXER_VOLUME_UNUSED 1003
#define IDC_MIXER_LINE_NAME 1016
#define IDC_MIXER_PC_SOUND 1017
#define IDC_MIXER_SELECT_WAVE 1019
#define IDC_MIXER_SELECT_MIC 1020
#define IDC_MIXER_MIC_LABEL 1021
#define IDC_MIXER_SETUP 1008
#define IDC_MIXER_RECORD_CONTROL 1023

// Question box
#define IDD_MESSAGE 133
#define IDC_MESSAGE_TEXT 1003

// Automatic set-up wait dialog
#define IDD_SETUP_WAIT 134
#define IDC_SETUP_WAIT_OK 1019

// Options sheet, about page: the home page address line
#define IDC_OPTION_ABOUT_ADDRESS 1030
