// A dialog's top-level window: built from a template, it turns the keyboard and the
// window manager's requests into the dialog's commands (IDOK, IDCANCEL) and reports
// its size and position (WM_SIZE, WM_MOVE).
#pragma once

#include <QFont>

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/qt/NativeWindow.h"

class DialogWindow : public NativeWidget<QWidget> {
 public:
  // A window without owner is an application window; with one it is a tool window
  // that stays above its owner.
  DialogWindow(QWidget* owner, const DialogTemplate& dialogTemplate);

  SIZE BaseUnits() const { return m_BaseUnits; }
  QRect ToPixels(short x, short y, short cx, short cy) const;
  // Creates the template's controls in template order and chains the tab stops.
  void CreateControls(const DialogTemplate& dialogTemplate);
  void FocusFirstTabStop();
  // The command that Enter gives: the default push button's id, else IDOK.
  int DefaultCommandId() const;

  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetText(const QString& text) override { setWindowTitle(text); }
  QString Text() const override { return windowTitle(); }

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void closeEvent(QCloseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  void SendCommand(int id, HWND control);
  // Where a tool window whose template gives no place opens: beside its owner.
  QPoint BesideOwner(const QWidget* owner, QSize client) const;
  static QSize FrameExtra(const QWidget* shown);
  static QRect AvailableArea(const QWidget* near);
  // The frame's top-left corner moved so that the whole window is on the owner's screen.
  static QPoint InsideScreen(QPoint position, QSize client, const QWidget* owner);

  SIZE m_BaseUnits;
  bool m_WasMinimized = false;
};

// The font a template names, with a metric-compatible substitute when it is missing.
QFont DialogFont(const char* face, int pointSize);
SIZE MeasureBaseUnits(const QFont& font);
