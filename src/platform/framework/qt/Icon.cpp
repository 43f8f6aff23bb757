#include "platform/framework/qt/Icon.h"

#include <QGuiApplication>
#include <QObject>
#include <QPainter>
#include <QPointer>
#include <QScreen>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "platform/framework/IconResource.h"
#include "platform/framework/qt/DevicePixels.h"
#include "platform/framework/qt/NativeWindow.h"

namespace {
constexpr int kLargeIcon = 32;
constexpr int kSmallIcon = 16;

// Picture paths by icon id, as registered.
std::map<UINT, std::vector<std::string>>& Registered() {
  static std::map<UINT, std::vector<std::string>> icons;
  return icons;
}

// Loaded icons are shared, as the system's are, and live as long as the application that
// made their pixmaps: the cache is the application's child, so it goes with it.
class LoadedIcons : public QObject {
 public:
  using QObject::QObject;
  std::map<UINT, std::unique_ptr<IconObject>> icons;
};

LoadedIcons& CurrentLoadedIcons() {
  static QPointer<LoadedIcons> current;
  if (!current) current = new LoadedIcons(QCoreApplication::instance());
  return *current;
}
}  // namespace

void RegisterIcon(UINT id, std::span<const char* const> picturePaths) {
  Registered()[id].assign(picturePaths.begin(), picturePaths.end());
}

QImage IconImage(UINT id, int size) {
  const auto found = Registered().find(id);
  if (found == Registered().end()) return {};
  for (const std::string& path : found->second) {
    QImage image(QString::fromStdString(path));
    if (image.width() == size && image.height() == size) return image;
  }
  return {};
}

HICON LoadIconA(HINSTANCE /*instance*/, LPCSTR name) {
  if (!IS_INTRESOURCE(name)) return nullptr;
  const UINT id = static_cast<UINT>(reinterpret_cast<uintptr_t>(name));
  const auto found = Registered().find(id);
  if (found == Registered().end()) return nullptr;
  if (!QGuiApplication::instance()) return nullptr;  // pixmaps need the application
  std::unique_ptr<IconObject>& icon = CurrentLoadedIcons().icons[id];
  if (!icon) {
    icon = std::make_unique<IconObject>();
    for (const std::string& path : found->second)
      icon->icon.addPixmap(QPixmap(QString::fromStdString(path)));
  }
  return icon.get();
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
