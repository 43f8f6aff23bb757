#include "platform/framework/Simulate.h"

#include <QAbstractButton>
#include <QApplication>
#include <QKeyEvent>
#include <QSlider>

#include "platform/framework/qt/NativeWindow.h"

namespace {

QWidget* WidgetOf(CWnd* window) {
  NativeWindow* native = window ? NativeWindow::FromHandle(window->m_hWnd) : nullptr;
  return native ? native->Widget() : nullptr;
}

int QtKeyFor(UINT virtualKey) {
  switch (virtualKey) {
    case VK_BACK:
      return Qt::Key_Backspace;
    case VK_TAB:
      return Qt::Key_Tab;
    case VK_RETURN:
      return Qt::Key_Return;
    case VK_ESCAPE:
      return Qt::Key_Escape;
    case VK_SPACE:
      return Qt::Key_Space;
    case VK_PRIOR:
      return Qt::Key_PageUp;
    case VK_NEXT:
      return Qt::Key_PageDown;
    case VK_END:
      return Qt::Key_End;
    case VK_HOME:
      return Qt::Key_Home;
    case VK_LEFT:
      return Qt::Key_Left;
    case VK_UP:
      return Qt::Key_Up;
    case VK_RIGHT:
      return Qt::Key_Right;
    case VK_DOWN:
      return Qt::Key_Down;
    case VK_DELETE:
      return Qt::Key_Delete;
    case VK_F1:
      return Qt::Key_F1;
    default:
      return 0;
  }
}

void PressAndRelease(QWidget* target, int key, const QString& text) {
  QKeyEvent press(QEvent::KeyPress, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &press);
  QKeyEvent release(QEvent::KeyRelease, key, Qt::NoModifier, text);
  QCoreApplication::sendEvent(target, &release);
}

QWidget* KeyTarget(QWidget* widget) {
  if (!widget->isWindow()) return widget;
  QWidget* focus = widget->focusWidget();
  return focus ? focus : widget;
}

}  // namespace

namespace simulate {

void Click(CWnd* button) {
  if (auto* qtButton = qobject_cast<QAbstractButton*>(WidgetOf(button))) qtButton->click();
}

void Key(CWnd* window, UINT virtualKey) {
  QWidget* widget = WidgetOf(window);
  const int key = QtKeyFor(virtualKey);
  if (!widget || key == 0) return;
  const QString text = virtualKey == VK_RETURN   ? QStringLiteral("\r")
                       : virtualKey == VK_ESCAPE ? QStringLiteral("\x1b")
                       : virtualKey == VK_SPACE  ? QStringLiteral(" ")
                       : virtualKey == VK_TAB    ? QStringLiteral("\t")
                                                 : QString();
  PressAndRelease(KeyTarget(widget), key, text);
}

void Type(CWnd* edit, const char* text) {
  QWidget* widget = WidgetOf(edit);
  if (!widget || !text) return;
  for (const QChar c : QString::fromLocal8Bit(text)) {
    // Printable ASCII keys have the code of their upper-case character.
    PressAndRelease(widget, c.toUpper().unicode(), QString(c));
  }
}

void SliderDrag(CWnd* slider, int position) {
  auto* qtSlider = qobject_cast<QSlider*>(WidgetOf(slider));
  if (!qtSlider || !qtSlider->isEnabled()) return;
  qtSlider->setSliderDown(true);
  qtSlider->setSliderPosition(position);
  qtSlider->setSliderDown(false);
}

void Close(CWnd* window) {
  if (QWidget* widget = WidgetOf(window)) widget->window()->close();
}

void PumpMessages() {
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
}

void ShowOnScreen() {
  QCoreApplication::sendPostedEvents();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  QGuiApplication::sync();
}

BOOL CaptureWindowImage(HWND window, std::vector<uint32_t>* pixels, SIZE* size) {
  NativeWindow* native = NativeWindow::FromHandle(window);
  if (!native || !pixels || !size) return FALSE;
  const QImage image = native->Widget()->grab().toImage().convertToFormat(QImage::Format_ARGB32);
  *size = SIZE{image.width(), image.height()};
  pixels->resize(static_cast<size_t>(image.width()) * image.height());
  for (int y = 0; y < image.height(); ++y) {
    const auto* row = reinterpret_cast<const uint32_t*>(image.constScanLine(y));
    std::copy(row, row + image.width(),
              pixels->begin() + static_cast<ptrdiff_t>(y) * image.width());
  }
  return TRUE;
}

}  // namespace simulate
