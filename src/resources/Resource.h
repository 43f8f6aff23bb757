// Resource ids of the program: the three dialog templates, the application icon, and the
// controls of each dialog. Ids are unique within their dialog only.
#pragma once

#include "platform/WinTypes.h"

inline constexpr UINT IDR_MAINFRAME = 128;  // the application icon, in three sizes
inline constexpr UINT IDD_QUENNET_DIALOG = 102;
inline constexpr UINT IDD_SHAPE_DIALOG = 130;
inline constexpr UINT IDD_MATERIAL_DIALOG = 131;

// The main window (IDD_QUENNET_DIALOG).
inline constexpr int IDC_PICTURE = 1000;
inline constexpr int IDC_SHAPE_BUTTON = 1003;
inline constexpr int IDC_MATERIAL_BUTTON = 1004;
inline constexpr int IDC_SAVE_BUTTON = 1005;
inline constexpr int IDC_LOAD_BUTTON = 1006;

// The shape dialog (IDD_SHAPE_DIALOG).
inline constexpr int IDC_SPIN_X_SLIDER = 1001;
inline constexpr int IDC_SPIN_Y_SLIDER = 1002;
inline constexpr int IDC_SPIN_Z_SLIDER = 1003;
inline constexpr int IDC_LOBES_NUM_SLIDER = 1004;
inline constexpr int IDC_LOBES_AMP_SLIDER = 1005;
inline constexpr int IDC_RADIUS_MAJOR_SLIDER = 1006;
inline constexpr int IDC_RADIUS_MINOR_SLIDER = 1007;
inline constexpr int IDC_STEPS_MAJOR_EDIT = 1009;
inline constexpr int IDC_STEPS_MINOR_EDIT = 1010;

// The material dialog (IDD_MATERIAL_DIALOG).
inline constexpr int IDC_RED_SLIDER = 1001;
inline constexpr int IDC_GREEN_SLIDER = 1002;
inline constexpr int IDC_BLUE_SLIDER = 1003;
inline constexpr int IDC_ALPHA_SLIDER = 1004;
inline constexpr int IDC_POWER_SLIDER = 1005;
inline constexpr int IDC_DIFFUSE_BUTTON = 1008;
inline constexpr int IDC_RED_EDIT = 1009;
inline constexpr int IDC_GREEN_EDIT = 1010;
inline constexpr int IDC_BLUE_EDIT = 1011;
inline constexpr int IDC_ALPHA_EDIT = 1012;
inline constexpr int IDC_POWER_EDIT = 1013;
inline constexpr int IDC_SPECULAR_BUTTON = 1014;
inline constexpr int IDC_AMBIENT_BUTTON = 1015;
inline constexpr int IDC_EMISSIVE_BUTTON = 1016;
