// The program's dialog templates, written as the resource script would give them:
// styles, captions and rectangles in dialog units.
#include "platform/framework/DialogTemplate.h"
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
    {1003, ControlKind::Button, nullptr, kSmallButton, 0, 0, 0, 7, 7},
    {1004, ControlKind::Button, nullptr, kSmallButton, 0, 0, 9, 7, 7},
    {1006, ControlKind::Button, "L", kSmallButton, 0, 0, 30, 7, 8},
    {1005, ControlKind::Button, "S", kSmallButton, 0, 0, 40, 7, 8},
    {1000, ControlKind::Static, nullptr, kChild | SS_GRAYFRAME, 0, 8, 0, 203, 198},
    {IDC_STATIC, ControlKind::Static, kAddressLabel, kLabel | WS_GROUP, 0, 0, 111, 8, 87},
};

constexpr DWORD kShapeSlider = kVerticalSlider | WS_BORDER;
constexpr DWORD kNumberEdit = kTextEdit | ES_NUMBER;

constexpr DialogItemTemplate kShapeItems[] = {
    {1001, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 0, 0, 10, 115},
    {1002, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 10, 0, 10, 115},
    {1003, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 20, 0, 10, 115},
    {1004, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 35, 0, 10, 115},
    {1005, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 45, 0, 10, 115},
    {1006, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 61, 0, 10, 115},
    {1007, ControlKind::Trackbar, nullptr, kShapeSlider, 0, 71, 0, 10, 115},
    {1009, ControlKind::Edit, nullptr, kNumberEdit, 0, 0, 120, 25, 15},
    {1010, ControlKind::Edit, nullptr, kNumberEdit, 0, 30, 120, 25, 15},
};

constexpr DialogItemTemplate kMaterialItems[] = {
    {1009, ControlKind::Edit, nullptr, kTextEdit, 0, 35, 130, 20, 15},
    {1010, ControlKind::Edit, nullptr, kTextEdit, 0, 55, 130, 20, 15},
    {1011, ControlKind::Edit, nullptr, kTextEdit, 0, 75, 130, 20, 15},
    {1012, ControlKind::Edit, nullptr, kTextEdit, 0, 95, 130, 20, 15},
    {1013, ControlKind::Edit, nullptr, kTextEdit, 0, 115, 130, 20, 15},
    {1001, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 35, 10, 20, 120},
    {1002, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 55, 10, 20, 120},
    {1003, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 75, 10, 20, 120},
    {1004, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 95, 10, 20, 120},
    {1005, ControlKind::Trackbar, nullptr, kVerticalSlider, 0, 115, 10, 20, 120},
    {1008, ControlKind::Button, "diffuse", kPushButton, 0, 0, 5, 35, 15},
    {1014, ControlKind::Button, "specular", kPushButton, 0, 0, 25, 35, 15},
    {1015, ControlKind::Button, "ambient", kPushButton, 0, 0, 45, 35, 15},
    {1016, ControlKind::Button, "emissive", kPushButton, 0, 0, 65, 35, 15},
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

const DialogTemplate* FindDialogTemplate(int id) {
  for (const DialogTemplate& t : kTemplates) {
    if (t.id == id) return &t;
  }
  return nullptr;
}
