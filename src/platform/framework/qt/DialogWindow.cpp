#include "platform/framework/qt/DialogWindow.h"

#include <algorithm>

#include <QApplication>
#include <QCloseEvent>
#include <QFontMetrics>
#include <QGuiApplication>
#include <QKeyEvent>
#include <QScreen>

#include "platform/framework/qt/Controls.h"

namespace {

Qt::WindowFlags WindowFlagsFor(DWORD style, bool owned) {
  Qt::WindowFlags flags = owned ? Qt::Tool : Qt::Window;
  flags |= Qt::CustomizeWindowHint;
  if ((style & WS_CAPTION) == WS_CAPTION) flags |= Qt::WindowTitleHint;
  if (style & WS_SYSMENU) flags |= Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint;
  // For a top-level window these bits are the minimise and maximise boxes.
  if (style & WS_MINIMIZEBOX) flags |= Qt::WindowMinimizeButtonHint;
  if (style & WS_MAXIMIZEBOX) flags |= Qt::WindowMaximizeButtonHint;
  return flags;
}

bool IsOldSansFace(const QString& face) {
  return face.compare("MS Sans Serif", Qt::CaseInsensitive) == 0 ||
         face.compare("MS Shell Dlg", Qt::CaseInsensitive) == 0 ||
         face.compare("Microsoft Sans Serif", Qt::CaseInsensitive) == 0;
}

}  // namespace

QFont DialogFont(const char* face, int pointSize) {
  const QString family = QString::fromLocal8Bit(face && *face ? face : "MS Sans Serif");
  QStringList families{family};
  // Metric-compatible faces first, then a common sans that every system has.
  if (IsOldSansFace(family))
    families << "Microsoft Sans Serif"
             << "Liberation Sans"
             << "Arial"
             << "DejaVu Sans";
  QFont font;
  font.setFamilies(families);
  font.setStyleHint(QFont::SansSerif);
  // Whole pixels from the points at the screen's resolution, as the original platform
  // rounds a font height.
  const QScreen* screen = QGuiApplication::primaryScreen();
  const int dpi = screen ? qRound(screen->logicalDotsPerInchY()) : 96;
  font.setPixelSize(std::max(1, MulDiv(pointSize > 0 ? pointSize : 8, dpi, 72)));
  return font;
}

SIZE MeasureBaseUnits(const QFont& font) {
  const QFontMetrics metrics(font);
  const int width = metrics.horizontalAdvance(
      QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"));
  return SIZE{(width / 26 + 1) / 2, metrics.height()};
}

DialogWindow::DialogWindow(QWidget* owner, const DialogTemplate& t)
    : NativeWidget(WindowKind::Dialog, t.id, t.style, t.exStyle, owner,
                   WindowFlagsFor(t.style, owner != nullptr)) {
  setFont(DialogFont(t.fontFace, t.fontPoints));
  m_BaseUnits = MeasureBaseUnits(font());
  setWindowTitle(QString::fromLocal8Bit(t.caption ? t.caption : ""));

  const QRect area = ToPixels(t.x, t.y, t.cx, t.cy);
  if (t.style & WS_THICKFRAME) {
    resize(area.size());
  } else {
    setFixedSize(area.size());
  }
  // A template position counts from the owner's client area unless it is absolute. Tool
  // windows whose templates give no position of their own would then cover the owner's
  // controls, so they open beside the owner instead, right of any tool window it already has.
  QPoint position = area.topLeft();
  if (owner && !(t.style & DS_ABSALIGN)) {
    if (area.topLeft().isNull()) {
      position = BesideOwner(owner, area.size());
    } else {
      position += owner->mapToGlobal(QPoint(0, 0));
    }
  }
  if (t.style & DS_CENTER) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    const QRect around = owner    ? owner->frameGeometry()
                         : screen ? screen->availableGeometry()
                                  : QRect();
    position = around.center() - QPoint(area.width() / 2, area.height() / 2);
  }
  // A tool window that opens off the screen looks as if its button did nothing.
  if (owner) position = InsideScreen(position, area.size(), owner->window());
  move(position);
}

QPoint DialogWindow::BesideOwner(const QWidget* owner, QSize client) const {
  const QWidget* top = owner->window();
  int left = top->frameGeometry().left();
  int right = top->frameGeometry().right() + 1;
  for (const QWidget* other : QApplication::topLevelWidgets()) {
    if (other == this || other->parentWidget() != owner || !other->isVisible()) continue;
    left = std::min(left, other->frameGeometry().left());
    right = std::max(right, other->frameGeometry().right() + 1);
  }
  // Right of the owner and its tool windows; left of them where the screen ends first.
  const QRect available = AvailableArea(top);
  const int width = client.width() + FrameExtra(top).width();
  const bool fitsRight = right + width <= available.right() + 1;
  const bool fitsLeft = left - width >= available.left();
  return QPoint(fitsRight || !fitsLeft ? right : left - width, top->frameGeometry().top());
}

QSize DialogWindow::FrameExtra(const QWidget* shown) {
  // A window's frame is known once it is shown; the owner's stands in for a new window's.
  return shown->isVisible() ? shown->frameGeometry().size() - shown->size() : QSize(0, 0);
}

QRect DialogWindow::AvailableArea(const QWidget* near) {
  const QScreen* screen = QGuiApplication::screenAt(near->frameGeometry().center());
  if (!screen) screen = near->screen();
  return screen ? screen->availableGeometry() : QRect();
}

QPoint DialogWindow::InsideScreen(QPoint position, QSize client, const QWidget* owner) {
  const QRect available = AvailableArea(owner);
  if (available.isEmpty()) return position;
  const QSize frame = client + FrameExtra(owner);
  const int x = std::min(position.x(), available.right() + 1 - frame.width());
  const int y = std::min(position.y(), available.bottom() + 1 - frame.height());
  return QPoint(std::max(x, available.left()), std::max(y, available.top()));
}

QRect DialogWindow::ToPixels(short x, short y, short cx, short cy) const {
  const RECT px = DialogUnitsToPixels(RECT{x, y, x + cx, y + cy}, m_BaseUnits);
  return QRect(px.left, px.top, px.right - px.left, px.bottom - px.top);
}

void DialogWindow::CreateControls(const DialogTemplate& t) {
  QWidget* previousTabStop = nullptr;
  for (const DialogItemTemplate& item : t.items) {
    NativeWindow* control = CreateControl(this, item, ToPixels(item.x, item.y, item.cx, item.cy));
    if (!(item.style & WS_TABSTOP)) continue;
    if (previousTabStop) QWidget::setTabOrder(previousTabStop, control->Widget());
    previousTabStop = control->Widget();
  }
}

void DialogWindow::FocusFirstTabStop() {
  for (QObject* child : children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    NativeWindow* control = widget ? NativeWindow::FromWidget(widget) : nullptr;
    if (!control || widget->isWindow()) continue;
    if ((control->Style() & WS_TABSTOP) && !widget->isHidden() && widget->isEnabled()) {
      widget->setFocus(Qt::TabFocusReason);
      return;
    }
  }
}

int DialogWindow::DefaultCommandId() const {
  for (QObject* child : children()) {
    auto* widget = qobject_cast<QWidget*>(child);
    NativeWindow* control = widget ? NativeWindow::FromWidget(widget) : nullptr;
    if (control && control->Kind() == WindowKind::Button &&
        (control->Style() & BS_TYPEMASK) == BS_DEFPUSHBUTTON) {
      return control->Id();
    }
  }
  return IDOK;
}

void DialogWindow::SendCommand(int id, HWND control) {
  Send(WM_COMMAND, MAKEWPARAM(static_cast<unsigned>(id), BN_CLICKED),
       reinterpret_cast<LPARAM>(control));
}

LRESULT DialogWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  if (message == WM_CLOSE) {
    // A dialog turns closing into Cancel.
    NativeWindow* cancel = FindChild(IDCANCEL);
    SendCommand(IDCANCEL, cancel ? cancel->Handle() : nullptr);
    return 0;
  }
  return NativeWindow::DefaultProc(message, wParam, lParam);
}

void DialogWindow::keyPressEvent(QKeyEvent* event) {
  // Keys arrive here when the focused control did not take them: a focused push
  // button takes Enter and Space itself.
  switch (event->key()) {
    case Qt::Key_Escape: {
      NativeWindow* cancel = FindChild(IDCANCEL);
      SendCommand(IDCANCEL, cancel ? cancel->Handle() : nullptr);
      event->accept();
      return;
    }
    case Qt::Key_Return:
    case Qt::Key_Enter: {
      const int id = DefaultCommandId();
      NativeWindow* button = FindChild(id);
      if (!button || button->Widget()->isEnabled())
        SendCommand(id, button ? button->Handle() : nullptr);
      event->accept();
      return;
    }
    default:
      NativeWidget::keyPressEvent(event);
  }
}

void DialogWindow::closeEvent(QCloseEvent* event) {
  // The window stays; the dialog decides (a modeless dialog's Cancel only hides it).
  event->ignore();
  Send(WM_CLOSE, 0, 0);
}

void DialogWindow::changeEvent(QEvent* event) {
  NativeWidget::changeEvent(event);
  if (event->type() != QEvent::WindowStateChange) return;
  const bool minimized = isMinimized();
  if (minimized == m_WasMinimized) return;
  m_WasMinimized = minimized;
  GeometryChanged(true);
}
