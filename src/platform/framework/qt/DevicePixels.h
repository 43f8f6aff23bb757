// The program sees pixels as a program that knows the screen's scale does: device pixels.
// Qt lays widgets out in logical pixels and scales them by the screen's device pixel
// ratio; every size, position and rectangle that crosses the framework's interface is
// converted here, so that a picture drawn for the reported size fills its window pixel
// for pixel on a scaled screen.
#pragma once

#include <QGuiApplication>
#include <QPoint>
#include <QRect>
#include <QScreen>
#include <QSize>
#include <QWidget>
#include <cmath>

#include "platform/WinTypes.h"

// The device pixel ratio of the screen the widget is on; the primary screen's without one.
inline double DeviceRatio(const QWidget* widget) {
  if (widget) return widget->devicePixelRatioF();
  const QScreen* screen = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                              ? QGuiApplication::primaryScreen()
                              : nullptr;
  return screen ? screen->devicePixelRatio() : 1.0;
}

inline int ToDevice(int logical, double ratio) {
  return static_cast<int>(std::lround(logical * ratio));
}
inline int ToLogical(int device, double ratio) {
  return static_cast<int>(std::lround(device / ratio));
}
inline POINT ToDevice(QPoint logical, double ratio) {
  return POINT{ToDevice(logical.x(), ratio), ToDevice(logical.y(), ratio)};
}
inline SIZE ToDevice(QSize logical, double ratio) {
  return SIZE{ToDevice(logical.width(), ratio), ToDevice(logical.height(), ratio)};
}
// Each edge on its own, so that neighbouring rectangles stay neighbours.
inline RECT ToDevice(const QRect& logical, double ratio) {
  return RECT{ToDevice(logical.left(), ratio), ToDevice(logical.top(), ratio),
              ToDevice(logical.left() + logical.width(), ratio),
              ToDevice(logical.top() + logical.height(), ratio)};
}
inline RECT ToDevice(const RECT& logical, double ratio) {
  return RECT{ToDevice(logical.left, ratio), ToDevice(logical.top, ratio),
              ToDevice(logical.right, ratio), ToDevice(logical.bottom, ratio)};
}
inline QPoint ToLogical(POINT device, double ratio) {
  return QPoint(ToLogical(device.x, ratio), ToLogical(device.y, ratio));
}
// The logical rectangle that covers every device pixel of device.
inline QRect ToLogicalCovering(const RECT& device, double ratio) {
  const int left = static_cast<int>(std::floor(device.left / ratio));
  const int top = static_cast<int>(std::floor(device.top / ratio));
  const int right = static_cast<int>(std::ceil(device.right / ratio));
  const int bottom = static_cast<int>(std::ceil(device.bottom / ratio));
  return QRect(left, top, right - left, bottom - top);
}
