// Resource ids of the program: the three dialog templates and the application icon.
// Control ids are the numbers the dialogs use directly.
#pragma once

#include "platform/WinTypes.h"

inline constexpr UINT IDR_MAINFRAME = 128;  // the application icon, in three sizes
inline constexpr UINT IDD_QUENNET_DIALOG = 102;
inline constexpr UINT IDD_SHAPE_DIALOG = 130;
inline constexpr UINT IDD_MATERIAL_DIALOG = 131;
