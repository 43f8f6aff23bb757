// The program's dialog templates as registered at start (with their ids as numbers, which
// is what they must stay), the registry of templates, and the dialog-unit conversion.
#include <set>
#include <string>

#include "FrameworkFixture.h"
#include "platform/framework/DialogTemplate.h"
#include "resources/Resource.h"
#include "resources/Resources.h"

namespace {

struct ItemRow {
  int id;
  ControlKind kind;
  const char* caption;
  short x, y, cx, cy;
  DWORD requiredStyle;
};

void ExpectItems(int templateId, const std::vector<ItemRow>& rows) {
  const DialogTemplate* t = FindDialogTemplate(templateId);
  ASSERT_NE(t, nullptr);
  ASSERT_EQ(t->items.size(), rows.size());
  for (size_t i = 0; i < rows.size(); ++i) {
    const DialogItemTemplate& item = t->items[i];
    const ItemRow& row = rows[i];
    SCOPED_TRACE("template " + std::to_string(templateId) + " item " + std::to_string(i));
    EXPECT_EQ(item.id, row.id);
    EXPECT_EQ(item.kind, row.kind);
    EXPECT_EQ(std::string(item.caption ? item.caption : ""),
              std::string(row.caption ? row.caption : ""));
    EXPECT_EQ(item.x, row.x);
    EXPECT_EQ(item.y, row.y);
    EXPECT_EQ(item.cx, row.cx);
    EXPECT_EQ(item.cy, row.cy);
    EXPECT_EQ(item.style & row.requiredStyle, row.requiredStyle);
    EXPECT_EQ(item.style & (WS_CHILD | WS_VISIBLE), WS_CHILD | WS_VISIBLE);
    // Every control lies inside the dialog.
    EXPECT_LE(item.x + item.cx, t->cx);
    EXPECT_LE(item.y + item.cy, t->cy);
  }
}

class DialogTemplates : public ::testing::Test {
 protected:
  static void SetUpTestSuite() { resources::RegisterResources(); }
};

constexpr DWORD kFlatButton = WS_TABSTOP | BS_FLAT;
constexpr DWORD kSlider = WS_TABSTOP | TBS_VERT | TBS_BOTH | TBS_NOTICKS;
constexpr DWORD kEdit = WS_TABSTOP | WS_BORDER | ES_AUTOHSCROLL;

TEST_F(DialogTemplates, MainWindow102) {
  const DialogTemplate* t = FindDialogTemplate(IDD_QUENNET_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(t->style, WS_POPUP | WS_VISIBLE | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME |
                          WS_MINIMIZEBOX | WS_MAXIMIZEBOX | DS_SETFONT);
  EXPECT_EQ(t->exStyle, WS_EX_APPWINDOW);
  EXPECT_EQ(std::string(t->caption), "Quennet");
  EXPECT_EQ(std::string(t->fontFace), "MS Sans Serif");
  EXPECT_EQ(t->fontPoints, 8);
  EXPECT_EQ(t->x, 0);
  EXPECT_EQ(t->y, 0);
  EXPECT_EQ(t->cx, 212);
  EXPECT_EQ(t->cy, 198);
  ExpectItems(IDD_QUENNET_DIALOG,
              {{1003, ControlKind::Button, nullptr, 0, 0, 7, 7, kFlatButton},
               {1004, ControlKind::Button, nullptr, 0, 9, 7, 7, kFlatButton},
               {1006, ControlKind::Button, "L", 0, 30, 7, 8, kFlatButton},
               {1005, ControlKind::Button, "S", 0, 40, 7, 8, kFlatButton},
               {1000, ControlKind::Static, nullptr, 8, 0, 203, 198, SS_GRAYFRAME},
               {IDC_STATIC, ControlKind::Static, t->items[5].caption, 0, 111, 8, 87,
                SS_CENTER | WS_GROUP}});
  EXPECT_EQ(t->items[4].style & SS_TYPEMASK, SS_GRAYFRAME);
  EXPECT_EQ(t->items[4].style & WS_TABSTOP, 0u);
}

TEST_F(DialogTemplates, ShapeDialog130) {
  const DialogTemplate* t = FindDialogTemplate(IDD_SHAPE_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::string(t->caption), "the bog");
  EXPECT_EQ(t->style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME),
            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | WS_THICKFRAME);
  EXPECT_EQ(t->style & (WS_VISIBLE | WS_MAXIMIZEBOX), 0u);
  EXPECT_EQ(t->cx, 204);
  EXPECT_EQ(t->cy, 174);
  const DWORD slider = kSlider | WS_BORDER;
  ExpectItems(IDD_SHAPE_DIALOG,
              {{1001, ControlKind::Trackbar, nullptr, 0, 0, 10, 115, slider},
               {1002, ControlKind::Trackbar, nullptr, 10, 0, 10, 115, slider},
               {1003, ControlKind::Trackbar, nullptr, 20, 0, 10, 115, slider},
               {1004, ControlKind::Trackbar, nullptr, 35, 0, 10, 115, slider},
               {1005, ControlKind::Trackbar, nullptr, 45, 0, 10, 115, slider},
               {1006, ControlKind::Trackbar, nullptr, 61, 0, 10, 115, slider},
               {1007, ControlKind::Trackbar, nullptr, 71, 0, 10, 115, slider},
               {1009, ControlKind::Edit, nullptr, 0, 120, 25, 15, kEdit | ES_NUMBER},
               {1010, ControlKind::Edit, nullptr, 30, 120, 25, 15, kEdit | ES_NUMBER}});
}

TEST_F(DialogTemplates, MaterialDialog131) {
  const DialogTemplate* t = FindDialogTemplate(IDD_MATERIAL_DIALOG);
  ASSERT_NE(t, nullptr);
  EXPECT_EQ(std::string(t->caption), "material");
  EXPECT_EQ(t->style & (WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME),
            WS_POPUP | WS_CAPTION | WS_SYSMENU | WS_MINIMIZEBOX | DS_MODALFRAME);
  EXPECT_EQ(t->style & (WS_VISIBLE | WS_THICKFRAME), 0u) << "not visible, not sizable";
  EXPECT_EQ(t->cx, 141);
  EXPECT_EQ(t->cy, 151);
  const DWORD label = SS_CENTER;
  ExpectItems(IDD_MATERIAL_DIALOG,
              {{1009, ControlKind::Edit, nullptr, 35, 130, 20, 15, kEdit},
               {1010, ControlKind::Edit, nullptr, 55, 130, 20, 15, kEdit},
               {1011, ControlKind::Edit, nullptr, 75, 130, 20, 15, kEdit},
               {1012, ControlKind::Edit, nullptr, 95, 130, 20, 15, kEdit},
               {1013, ControlKind::Edit, nullptr, 115, 130, 20, 15, kEdit},
               {1001, ControlKind::Trackbar, nullptr, 35, 10, 20, 120, kSlider},
               {1002, ControlKind::Trackbar, nullptr, 55, 10, 20, 120, kSlider},
               {1003, ControlKind::Trackbar, nullptr, 75, 10, 20, 120, kSlider},
               {1004, ControlKind::Trackbar, nullptr, 95, 10, 20, 120, kSlider},
               {1005, ControlKind::Trackbar, nullptr, 115, 10, 20, 120, kSlider},
               {1008, ControlKind::Button, "diffuse", 0, 5, 35, 15, WS_TABSTOP},
               {1014, ControlKind::Button, "specular", 0, 25, 35, 15, WS_TABSTOP},
               {1015, ControlKind::Button, "ambient", 0, 45, 35, 15, WS_TABSTOP},
               {1016, ControlKind::Button, "emissive", 0, 65, 35, 15, WS_TABSTOP},
               {IDC_STATIC, ControlKind::Static, "R", 35, 0, 15, 10, label},
               {IDC_STATIC, ControlKind::Static, "G", 55, 0, 15, 10, label},
               {IDC_STATIC, ControlKind::Static, "B", 75, 0, 15, 10, label},
               {IDC_STATIC, ControlKind::Static, "A", 95, 0, 15, 10, label},
               {IDC_STATIC, ControlKind::Static, "SP", 115, 0, 15, 10, label}});
  // The material trackbars have no border, unlike the shape dialog's.
  for (const DialogItemTemplate& item : t->items) {
    if (item.kind == ControlKind::Trackbar) {
      EXPECT_EQ(item.style & WS_BORDER, 0u);
    }
    if (item.kind == ControlKind::Edit) {
      EXPECT_EQ(item.style & ES_NUMBER, 0u);
    }
  }
}

TEST_F(DialogTemplates, IdsAreUniqueWithinEachTemplate) {
  for (int id : {102, 130, 131}) {
    const DialogTemplate* t = FindDialogTemplate(id);
    ASSERT_NE(t, nullptr);
    std::set<int> seen;
    for (const DialogItemTemplate& item : t->items) {
      if (item.id == IDC_STATIC) continue;
      EXPECT_TRUE(seen.insert(item.id).second) << "template " << id << " repeats id " << item.id;
    }
  }
  EXPECT_EQ(FindDialogTemplate(128), nullptr);
}

TEST_F(DialogTemplates, RegisteringAnIdAgainReplacesItsTemplate) {
  static constexpr DialogTemplate kFirst[] = {{900, WS_POPUP, 0, 0, 0, 10, 10, "first", "", 8, {}}};
  static constexpr DialogTemplate kSecond[] = {
      {900, WS_POPUP, 0, 0, 0, 20, 20, "second", "", 8, {}}};
  EXPECT_EQ(FindDialogTemplate(900), nullptr);
  RegisterDialogTemplates(kFirst);
  ASSERT_NE(FindDialogTemplate(900), nullptr);
  EXPECT_EQ(std::string(FindDialogTemplate(900)->caption), "first");
  RegisterDialogTemplates(kSecond);
  EXPECT_EQ(std::string(FindDialogTemplate(900)->caption), "second");
  EXPECT_EQ(FindDialogTemplate(IDD_SHAPE_DIALOG)->cx, 204) << "other ids keep theirs";
}

struct MulDivRow {
  const char* name;
  int number, numerator, denominator, expected;
};

TEST(DialogUnits, MulDivRoundsHalvesAwayFromZero) {
  const MulDivRow rows[] = {
      {"exact", 8, 6, 4, 12},
      {"half up", 3, 3, 2, 5},
      {"below half", 7, 3, 5, 4},
      {"negative half", -3, 3, 2, -5},
      {"negative divisor", 3, 3, -2, -5},
      {"zero divisor", 1, 1, 0, -1},
      {"wide product", 100000, 100000, 100000, 100000},
  };
  for (const MulDivRow& row : rows) {
    EXPECT_EQ(MulDiv(row.number, row.numerator, row.denominator), row.expected) << row.name;
  }
}

TEST(DialogUnits, EachEdgeConvertsOnItsOwn) {
  const SIZE base{7, 15};
  const RECT px = DialogUnitsToPixels(RECT{1, 1, 3, 4}, base);
  // 1 du -> 1.75 -> 2 px, 3 du -> 5.25 -> 5 px: the width is 3 px, not round(2 * 1.75) = 4.
  EXPECT_EQ(px.left, 2);
  EXPECT_EQ(px.right, 5);
  EXPECT_EQ(px.top, 2);     // 1.875
  EXPECT_EQ(px.bottom, 8);  // 7.5
  const RECT unit = DialogUnitsToPixels(RECT{0, 0, 4, 8}, base);
  EXPECT_EQ(unit.right, base.cx);
  EXPECT_EQ(unit.bottom, base.cy);
}

TEST_F(FrameworkTest, DialogsAreLaidOutInTheirFontsBaseUnits) {
  const SIZE base = DialogBaseUnits("MS Sans Serif", 8);
  // An 8-point sans font: a few pixels per character, somewhat more than 10 per line.
  EXPECT_GE(base.cx, 4);
  EXPECT_LE(base.cx, 10);
  EXPECT_GE(base.cy, 10);
  EXPECT_LE(base.cy, 20);
  EXPECT_GT(DialogBaseUnits("MS Sans Serif", 16).cy, base.cy);

  for (int id : {102, 130, 131}) {
    CDialog dlg;
    ASSERT_TRUE(dlg.Create(static_cast<UINT>(id)));
    const DialogTemplate* t = FindDialogTemplate(id);
    CRect expected(0, 0, t->cx, t->cy);
    dlg.MapDialogRect(&expected);
    CRect client;
    dlg.GetClientRect(&client);
    EXPECT_EQ(client.Width(), expected.Width()) << id;
    EXPECT_EQ(client.Height(), expected.Height()) << id;
    CRect unit(0, 0, 4, 8);
    dlg.MapDialogRect(&unit);
    EXPECT_EQ(unit.Width(), base.cx);
    EXPECT_EQ(unit.Height(), base.cy);

    for (const DialogItemTemplate& item : t->items) {
      if (item.id == IDC_STATIC) continue;
      CRect want(item.x, item.y, item.x + item.cx, item.y + item.cy);
      dlg.MapDialogRect(&want);
      CWnd* control = dlg.GetDlgItem(item.id);
      ASSERT_NE(control, nullptr);
      CRect got;
      control->GetWindowRect(&got);
      dlg.ScreenToClient(&got);
      EXPECT_EQ(got.left, want.left) << id << "/" << item.id;
      EXPECT_EQ(got.top, want.top) << id << "/" << item.id;
      EXPECT_EQ(got.Width(), want.Width()) << id << "/" << item.id;
      EXPECT_EQ(got.Height(), want.Height()) << id << "/" << item.id;
    }
  }
}

}  // namespace
