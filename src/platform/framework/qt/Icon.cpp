#include "platform/framework/qt/Icon.h"

#include <QGuiApplication>
#include <QPainter>
#include <QPainterPath>
#include <QRadialGradient>
#include <QScreen>

#include "platform/framework/qt/DevicePixels.h"
#include "platform/framework/qt/IconData.h"
#include "platform/framework/qt/NativeWindow.h"
#include "resources/Resource.h"

namespace {
constexpr int kIconSizes[] = {16, 32, 48};
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;
}  // namespace

QImage DrawTorusIcon(int size) {
  QImage image(size, size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  QPainter painter(&image);
  painter.setRenderHint(QPainter::Antialiasing);
  // A ring seen slightly from above: an outer ellipse with an off-centre hole, lit from
  // the upper left in the default material's pink.
  const qreal margin = size / 16.0;
  const QRectF outer(margin, size * 0.18, size - 2 * margin, size * 0.64);
  const QRectF hole(size * 0.36, size * 0.38, size * 0.28, size * 0.18);
  QPainterPath ring;
  ring.setFillRule(Qt::OddEvenFill);
  ring.addEllipse(outer);
  ring.addEllipse(hole);
  QRadialGradient light(outer.left() + outer.width() * 0.3, outer.top() + outer.height() * 0.25,
                        outer.width() * 0.8);
  light.setColorAt(0.0, QColor(255, 240, 235));
  light.setColorAt(0.35, QColor(214, 170, 170));
  light.setColorAt(1.0, QColor(90, 50, 60));
  painter.fillPath(ring, light);
  painter.setPen(QPen(QColor(60, 30, 40), std::max(1.0, size / 32.0)));
  painter.drawPath(ring);
  return image;
}

QImage ApplicationIconImage(int size) {
  for (const EmbeddedIcon* e = kEmbeddedIcons; e->size != 0; ++e) {
    if (e->size != size) continue;
    QImage image;
    if (image.loadFromData(e->data, static_cast<int>(e->length), "PNG")) return image;
  }
  return DrawTorusIcon(size);
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
  if (!IS_INTRESOURCE(name) || reinterpret_cast<uintptr_t>(name) != IDR_MAINFRAME) return nullptr;
  if (!QGuiApplication::instance()) return nullptr;  // pixmaps need the application
  static IconObject* const application = [] {
    auto* icon = new IconObject;
    for (int size : kIconSizes)
      icon->icon.addPixmap(QPixmap::fromImage(ApplicationIconImage(size)));
    return icon;
  }();
  return application;
}

BOOL DrawIcon(HDC dc, int x, int y, HICON icon) {
  if (!dc || !dc->painter || !icon) return FALSE;
  // The device context counts in device pixels; the icon is drawn at its large size there.
  const int size = GetSystemMetrics(SM_CXICON);
  dc->painter->drawPixmap(QRect(x, y, size, size), icon->icon.pixmap(QSize(size, size), 1.0));
  return TRUE;
}

int GetSystemMetrics(int index) {
  // In device pixels, as the rest of the framework reports them.
  const double ratio = DeviceRatio(nullptr);
  switch (index) {
    case SM_CXICON:
    case SM_CYICON:
      return ToDevice(kLargeIcon, ratio);
    case SM_CXSMICON:
    case SM_CYSMICON:
      return ToDevice(kSmallIcon, ratio);
    case SM_CXSCREEN:
    case SM_CYSCREEN: {
      const QScreen* screen =
          QGuiApplication::instance() ? QGuiApplication::primaryScreen() : nullptr;
      if (!screen) return 0;
      return ToDevice(
          index == SM_CXSCREEN ? screen->geometry().width() : screen->geometry().height(), ratio);
    }
    default:
      return 0;
  }
}
