// Numbers of the program's resources, shared by resources.rc and the code.
#pragma once

#define ORBISCA_ICON 101          // icon group: the window class, the dialogs
#define ORBISCA_EFFECT_TEXT 102   // RCDATA: the effect's HLSL text
#define ORBISCA_EFFECT_BINARY 103 // RCDATA: the same effect compiled
