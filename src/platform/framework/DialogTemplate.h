// Dialog templates as data: what a resource script says about a dialog and its
// controls (ids, kinds, captions, styles, rectangles in dialog units). The framework holds
// none of its own: a program registers its templates at start, and the dialog class builds
// windows from them.
#pragma once

#include <span>

#include "platform/framework/WinUser.h"

enum class ControlKind { Button, Edit, Static, Trackbar };

struct DialogItemTemplate {
  int id;
  ControlKind kind;
  const char* caption;  // nullptr for none
  DWORD style;          // WS_*, and BS_/ES_/SS_/TBS_ bits for the kind
  DWORD exStyle;
  short x, y, cx, cy;  // dialog units, relative to the dialog's client area
};

struct DialogTemplate {
  int id;
  DWORD style;  // WS_* | DS_*
  DWORD exStyle;
  short x, y, cx, cy;  // dialog units; cx, cy is the client area
  const char* caption;
  const char* fontFace;
  int fontPoints;
  std::span<const DialogItemTemplate> items;
};

// Makes templates known by their ids; a template registered again under the same id
// replaces the earlier one. The templates are kept by reference, so they must stay alive
// (static data, as compiled-in resources are).
void RegisterDialogTemplates(std::span<const DialogTemplate> templates);
// The registered template with id, or nullptr.
const DialogTemplate* FindDialogTemplate(int id);

// A rectangle in dialog units to pixels with the given base units: each edge is
// converted on its own (x * baseX / 4, y * baseY / 8, rounded), as the original
// platform's MapDialogRect does.
inline RECT DialogUnitsToPixels(const RECT& du, SIZE baseUnits) {
  return RECT{MulDiv(du.left, baseUnits.cx, 4), MulDiv(du.top, baseUnits.cy, 8),
              MulDiv(du.right, baseUnits.cx, 4), MulDiv(du.bottom, baseUnits.cy, 8)};
}
