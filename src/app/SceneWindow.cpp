#include "app/SceneWindow.h"

#include "platform/framework/Simulate.h"

bool SizePictureArea(CTorusDlg& dlg, int width, int height) {
  if (!dlg.GetSafeHwnd() || !dlg.m_Picture.GetSafeHwnd() || width < 0 || height < 0) return false;
  RECT client{};
  RECT frame{};
  dlg.GetClientRect(&client);
  dlg.GetWindowRect(&frame);
  const int frameX = (frame.right - frame.left) - (client.right - client.left);
  const int frameY = (frame.bottom - frame.top) - (client.bottom - client.top);
  dlg.SetWindowPos(nullptr, 0, 0, width + dlg.m_MarginX + frameX, height + dlg.m_MarginY + frameY,
                   SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE);
  // The resize reaction runs from the window system's events.
  simulate::PumpMessages();
  RECT picture{};
  dlg.m_Picture.GetClientRect(&picture);
  return picture.right - picture.left == width && picture.bottom - picture.top == height;
}

bool ReadPicture(const CTorusDlg& dlg, std::vector<uint32_t>* pixels, SIZE* size) {
  if (!pixels || !size || !dlg.m_Picture.GetSafeHwnd()) return false;
  return simulate::CaptureWindowImage(dlg.m_Picture.GetSafeHwnd(), pixels, size) != FALSE;
}
