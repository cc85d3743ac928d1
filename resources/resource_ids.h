// Numbers of the program's resources, shared by resources.rc and the code.
#pragma once

#define ORBISCA_ICON 101          // icon group: the window class, the dialogs
#define ORBISCA_EFFECT_TEXT 102   // RCDATA: the effect's HLSL text
#define ORBISCA_EFFECT_BINARY 103 // RCDATA: the same effect compiled

// The settings dialog and its controls.
#define ORBISCA_SETTINGS_DIALOG 110
#define ORBISCA_SETTINGS_FOLDER 1001
#define ORBISCA_SETTINGS_BROWSE 1002
#define ORBISCA_SETTINGS_SECONDS 1003
#define ORBISCA_SETTINGS_ORDER 1004
#define ORBISCA_SETTINGS_CAPTION 1005
