// The dialog controls on Qt widgets, with the notifications of the original controls:
// a push button sends BN_CLICKED; an edit sends EN_CHANGE on every change, also when
// the program sets its text; a trackbar sends WM_VSCROLL/WM_HSCROLL for the user's moves
// only, and a vertical one has its minimum at the top.
#pragma once

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>

#include "platform/framework/DialogTemplate.h"
#include "platform/framework/qt/NativeWindow.h"

class ButtonWindow : public NativeWidget<QPushButton> {
 public:
  ButtonWindow(QWidget* parent, const DialogItemTemplate& item);
  void SetText(const QString& text) override { setText(text); }
  QString Text() const override { return text(); }

 protected:
  void paintEvent(QPaintEvent* event) override;
};

class EditWindow : public NativeWidget<QLineEdit> {
 public:
  EditWindow(QWidget* parent, const DialogItemTemplate& item);
  void SetText(const QString& text) override;
  QString Text() const override { return text(); }
};

class SliderWindow : public NativeWidget<QSlider> {
 public:
  SliderWindow(QWidget* parent, const DialogItemTemplate& item);
  LRESULT DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) override;
  void SetText(const QString& text) override { m_Text = text; }
  QString Text() const override { return m_Text; }

 protected:
  void paintEvent(QPaintEvent* event) override;
  void keyReleaseEvent(QKeyEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void SetRangeQuietly(int minimum, int maximum);
  void Scroll(UINT code);
  void EndTrackIfPending();

  QString m_Text;
  UINT m_LastCode = TB_THUMBPOSITION;
  bool m_TrackPending = false;
};

// Text, frames and rectangles as the static styles draw them.
class StaticControl : public QWidget {
 public:
  StaticControl(QWidget* parent, DWORD style) : QWidget(parent), m_StaticStyle(style) {}

 protected:
  void paintEvent(QPaintEvent* event) override;
  DWORD m_StaticStyle;
  QString m_Caption;
};

class StaticWindow : public NativeWidget<StaticControl> {
 public:
  StaticWindow(QWidget* parent, const DialogItemTemplate& item);
  void SetText(const QString& text) override;
  QString Text() const override { return m_Caption; }
};

// Creates the control of item as a child of parent at geometry (pixels).
NativeWindow* CreateControl(QWidget* parent, const DialogItemTemplate& item, const QRect& geometry);
