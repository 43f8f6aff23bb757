// Input as a user would give it, for tests of dialogs and of the application: each
// call goes through the same path as the real input (Qt's key, click and slider
// handling), so the program's handlers see the messages a user's action raises.
// Also a way to read back what a window shows. No Qt in this header.
#pragma once

#include <vector>

#include "platform/framework/Wnd.h"

namespace simulate {

// A click on a push button (nothing happens if it is disabled).
void Click(CWnd* button);
// Presses and releases key (VK_RETURN, VK_ESCAPE, VK_SPACE, VK_TAB, arrows, VK_HOME,
// VK_END, VK_PRIOR, VK_NEXT, VK_BACK, VK_DELETE, VK_F1). Sent to a control, or, for a
// dialog, to its focused control; keys a control does not take go on to the dialog.
void Key(CWnd* window, UINT virtualKey);
// Types text into an edit one character at a time.
void Type(CWnd* edit, const char* text);
// Drags a trackbar's thumb to position and lets go.
void SliderDrag(CWnd* slider, int position);
// The window's close box.
void Close(CWnd* window);
// Handles the events that are waiting (resizes, repaints, posted work).
void PumpMessages();
// Paints what the windows have pending and waits until the window system has shown it (one
// round trip to the display server), so that a presented picture is on the screen.
void ShowOnScreen();
// Renders the window as it is shown now: width x height pixels 0xAARRGGBB, row by row.
BOOL CaptureWindowImage(HWND window, std::vector<uint32_t>* pixels, SIZE* size);

}  // namespace simulate
