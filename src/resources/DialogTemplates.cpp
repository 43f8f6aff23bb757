// The program's dialog templates, written as the resource script would give them:
// styles, captions and rectangles in dialog units.
#include "resources/DialogTemplates.h"

#include "resources/Resource.h"

namespace {

constexpr DWORD kChild = WS_CHILD | WS_VISIBLE;
constexpr DWORD kSmallButton = kChild | WS_TABSTOP | BS_PUSHBUTTON | BS_FLAT;
constexpr DWORD kPushButton = kChild | WS_TABSTOP | BS_PUSHBUTTON;
constexpr DWORD kVerticalSlider = kChild | WS_TABSTOP | TBS_VERT | TBS_BOTH | TBS_NOTICKS;
constexpr DWORD kTextEdit = kChild | WS_BORDER | WS_TABSTOP | ES_AUTOHSCROLL;
constexpr DWORD kLabel = kChild | SS_CENTER;

// The web address under the buttons, one character per line. The label is 87 dialog
// units high, room for ten lines of the dialog font.
constexpr const char* kAddressLabel = "q\nn\n.\ne\nx\na\nm\np\nl\ne";

constexpr DialogItemTemplate kMainItems[] = {
    {IDC_SHAPE_BUTTON, ControlKind::Button, nullptr, kSmallButton, 0, 0, 0, 7, 7},
    {IDC_MATERIAL_BUTTON, ControlKind::Button, nullptr, kSmallButton, 0, 0, 9, 7, 7},
    {IDC_LOAD_BUTTON, ControlKind::Button, "L", kSmallButton, 0, 0, 30, 7, 8},
    {IDC_SAVE_BUTTON, ControlKind::Button, "S", kSmallButton, 0, 0, 40, 7, 8},
    {IDC_PICTURE, ControlKind::Static, nullptr, kChild | SS_GRAYFRAME, 0, 8, 0, 203, 198},
    {IDC_STATIC, ControlKind::Static, kAddressLabel, kLabel | WS_GROUP, 0, 0, 111, 8, 87},
};

constexpr DWORD kShapeSlider = kVerticalSlider | WS_BORDER;
constexpr DWORD kNumberEdit = kTextEdit | ES_NUMBER;

constexpr DialogItemTemplate kShapeItems[] = {
    {IDC_SPIN_X_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 0, 0, 10, 115},
    {IDC_SPIN_Y_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 10, 0, 10, 115},
    {IDC_SPIN_Z_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 20, 0, 10, 115},
    {IDC_LOBES_NUM_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 35, 0, 10, 115},
    {IDC_LOBES_AMP_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 45, 0, 10, 115},
    {IDC_RADIUS_MAJOR_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 61, 0, 10, 115},
    {IDC_RADIUS_MINOR_SLIDER, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 71, 0, 10, 115},
    {IDC_STEPS_MAJOR_EDIT, ControlKind::Edit, nullptr, kNumberEdit, 0, 0, 120, 25, 15},
    {IDC_STEPS_MINOR_EDIT, ControlKind::Edit, nullptr, kNumberEdit, 0, 30, 120, 25, 15},
};

constexpr DialogItemTemplate kMaterialItems[] = {
    {IDC_RED_EDIT, ControlKind::Edit, nullptr, kTextEdit, 0, 35, 130, 20, 15},
    {IDC_GREEN_EDIT, ControlKind::Edit, nullptr, kTextEdit, 0, 55, 130, 20, 15},
    {IDC_BLUE_EDIT, ControlKind::Edit, nullptr, kTextEdit, 0, 75, 130, 20, 15},
    {IDC_ALPHA_EDIT, ControlKind::Edit, nullptr, kTextEdit, 0, 95, 130, 20, 15},
    {IDC_POWER_EDIT, ControlKind::Edit, nullptr, kTextEdit, 0, 115, 130, 20, 15},
    {IDC_RED_SLIDER, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 35, 10, 20, 120},
    {IDC_GREEN_SLIDER, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 55, 10, 20, 120},
    {IDC_BLUE_SLIDER, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 75, 10, 20, 120},
    {IDC_ALPHA_SLIDER, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 95, 10, 20, 120},
    {IDC_POWER_SLIDER, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 115, 10, 20, 120},
    {IDC_DIFFUSE_BUTTON, ControlKind::Button, "diffuse", kPushButton, 0, 0, 5, 35, 15},
    {IDC_SPECULAR_BUTTON, ControlKind::Button, "specular", kPushButton, 0, 0, 25, 35, 15},
    {IDC_AMBIENT_BUTTON, ControlKind::Button, "ambient", kPushButton, 0, 0, 45, 35, 15},
    {IDC_EMISSIVE_BUTTON, ControlKind::Button, "emissive", kPushButton, 0, 0, 65, 35, 15},
    {IDC_STATIC, ControlKind::Static, "R", kLabel, 0, 35, 0, 15, 10},
    {IDC_STATIC, ControlKind::Static, "G", kLabel, 0, 55, 0, 15, 10},
    {IDC_STATIC, ControlKind::Static, "B", kLabel, 0, 75, 0, 15, 10},
    {IDC_STATIC, ControlKind::Static, "A", kLabel, 0, 95, 0, 15, 10},
    {IDC_STATIC, ControlKind::Static, "SP", kLabel, 0, 115, 0, 15, 10},
};

constexpr const char* kDialogFont = "MS Sans Serif";

constexpr DialogTemplate kTemplates[] = {
    {IDD_QUENNET_DIALOG,
     WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME | WS_MINIMIZEBOX |
         WS_MAXIMIZEBOX | DS_SETFONT,
     WS_EX_APPWINDOW, 0, 0, 212, 198, "Quennet", kDialogFont, 8, kMainItems},
    {IDD_SHAPE_DIALOG,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME | DS_SETFONT, 0, 0, 0, 204,
     174, "the bog", kDialogFont, 8, kShapeItems},
    {IDD_MATERIAL_DIALOG,
     WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME | DS_SETFONT, 0, 0, 0, 141,
     151, "material", kDialogFont, 8, kMaterialItems},
};

}  // namespace

std::span<const DialogTemplate> resources::DialogTemplates() {
  return kTemplates;
}
