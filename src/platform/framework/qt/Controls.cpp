#include "platform/framework/qt/Controls.h"

#include <QKeyEvent>
#include <QPainter>
#include <QRegularExpressionValidator>
#include <QSignalBlocker>
#include <QStyle>
#include <QStyleOptionSlider>
#include <algorithm>

namespace {

QString Caption(const DialogItemTemplate& item) {
  return item.caption ? QString::fromLocal8Bit(item.caption) : QString();
}

Qt::FocusPolicy FocusPolicyFor(DWORD style) {
  // Tab reaches only the tab stops; a click focuses any input control.
  return (style & WS_TABSTOP) ? Qt::StrongFocus : Qt::ClickFocus;
}

UINT ScrollCodeFor(int action) {
  switch (action) {
    case QAbstractSlider::SliderSingleStepAdd:
      return TB_LINEDOWN;
    case QAbstractSlider::SliderSingleStepSub:
      return TB_LINEUP;
    case QAbstractSlider::SliderPageStepAdd:
      return TB_PAGEDOWN;
    case QAbstractSlider::SliderPageStepSub:
      return TB_PAGEUP;
    case QAbstractSlider::SliderToMinimum:
      return TB_TOP;
    case QAbstractSlider::SliderToMaximum:
      return TB_BOTTOM;
    case QAbstractSlider::SliderMove:
      return TB_THUMBTRACK;
    default:
      return TB_THUMBPOSITION;
  }
}

}  // namespace

// ------------------------------------------------------------------ push button

ButtonWindow::ButtonWindow(QWidget* parent, const DialogItemTemplate& item)
    : NativeWidget(WindowKind::Button, item.id, item.style, item.exStyle, parent) {
  setText(Caption(item));
  // Enter and Space on a focused push button click it.
  setAutoDefault(true);
  setFlat((item.style & BS_FLAT) != 0);
  setFocusPolicy(FocusPolicyFor(item.style));
  QObject::connect(this, &QAbstractButton::clicked, this, [this] { NotifyParent(BN_CLICKED); });
}

void ButtonWindow::paintEvent(QPaintEvent* event) {
  DispatchPaint(event, [this, event] {
    QPushButton::paintEvent(event);
    // A flat button is drawn without shading but keeps its frame, so a button without
    // a caption can still be seen.
    if (isFlat()) {
      QPainter painter(this);
      painter.setPen(palette().color(QPalette::Shadow));
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
  });
}

// ------------------------------------------------------------------ edit

EditWindow::EditWindow(QWidget* parent, const DialogItemTemplate& item)
    : NativeWidget(WindowKind::Edit, item.id, item.style, item.exStyle, parent) {
  setFrame((item.style & WS_BORDER) != 0 || (item.exStyle & WS_EX_CLIENTEDGE) != 0);
  setReadOnly((item.style & ES_READONLY) != 0);
  if (item.style & ES_CENTER) {
    setAlignment(Qt::AlignHCenter | Qt::AlignVCenter);
  } else if (item.style & ES_RIGHT) {
    setAlignment(Qt::AlignRight | Qt::AlignVCenter);
  }
  if (item.style & ES_NUMBER) {
    // Typing accepts digits only; the program can still set any text.
    setValidator(new QRegularExpressionValidator(QRegularExpression("[0-9]*"), this));
  }
  setFocusPolicy(FocusPolicyFor(item.style));
  setText(Caption(item));
  QObject::connect(this, &QLineEdit::textEdited, this, [this] { NotifyParent(EN_CHANGE); });
}

void EditWindow::SetText(const QString& text) {
  {
    const QSignalBlocker quiet(this);
    setText(text);
    // A text set by the program shows from its start, as the original edit does; Qt would
    // scroll to its end.
    setCursorPosition(0);
  }
  // Setting the text notifies at once, changed or not.
  NotifyParent(EN_CHANGE);
}

// ------------------------------------------------------------------ trackbar

SliderWindow::SliderWindow(QWidget* parent, const DialogItemTemplate& item)
    : NativeWidget(WindowKind::Trackbar, item.id, item.style, item.exStyle, parent),
      m_Text(Caption(item)) {
  const bool vertical = (item.style & TBS_VERT) != 0;
  setOrientation(vertical ? Qt::Vertical : Qt::Horizontal);
  // A vertical trackbar counts from the top, and Up moves the thumb up.
  setInvertedAppearance(vertical);
  setInvertedControls(vertical);
  setTickPosition((item.style & TBS_AUTOTICKS) && !(item.style & TBS_NOTICKS)
                      ? QSlider::TicksBothSides
                      : QSlider::NoTicks);
  setSingleStep(1);
  SetRangeQuietly(0, 100);
  setFocusPolicy(FocusPolicyFor(item.style));
  QObject::connect(this, &QAbstractSlider::actionTriggered, this,
                   [this](int action) { m_LastCode = ScrollCodeFor(action); });
  // Signals are blocked while the program sets the range or position, so only the
  // user's moves arrive here.
  QObject::connect(this, &QAbstractSlider::valueChanged, this, [this](int) {
    Scroll(isSliderDown() ? TB_THUMBTRACK : m_LastCode);
    m_LastCode = TB_THUMBPOSITION;
    m_TrackPending = true;
  });
  QObject::connect(this, &QAbstractSlider::sliderReleased, this, [this] {
    Scroll(TB_THUMBPOSITION);
    m_TrackPending = true;
    EndTrackIfPending();
  });
}

void SliderWindow::SetRangeQuietly(int minimum, int maximum) {
  const QSignalBlocker quiet(this);
  setRange(minimum, std::max(minimum, maximum));
  setPageStep(std::max(1, (this->maximum() - this->minimum()) / 5));
}

void SliderWindow::Scroll(UINT code) {
  NativeWindow* parent = ParentWindow();
  if (!parent || isWindow()) return;
  const bool withPosition = code == TB_THUMBTRACK || code == TB_THUMBPOSITION;
  const UINT message = orientation() == Qt::Vertical ? WM_VSCROLL : WM_HSCROLL;
  parent->Send(message, MAKEWPARAM(code, withPosition ? static_cast<unsigned>(value()) : 0u),
               reinterpret_cast<LPARAM>(Handle()));
}

void SliderWindow::EndTrackIfPending() {
  if (!m_TrackPending) return;
  m_TrackPending = false;
  Scroll(TB_ENDTRACK);
}

LRESULT SliderWindow::DefaultProc(UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case TBM_GETPOS:
      return value();
    case TBM_GETRANGEMIN:
      return minimum();
    case TBM_GETRANGEMAX:
      return maximum();
    case TBM_SETPOS: {
      const QSignalBlocker quiet(this);
      setValue(std::clamp(static_cast<int>(lParam), minimum(), maximum()));
      if (wParam) update();
      return 0;
    }
    case TBM_SETRANGE:
      SetRangeQuietly(static_cast<int16_t>(LOWORD(lParam)), static_cast<int16_t>(HIWORD(lParam)));
      if (wParam) update();
      return 0;
    case TBM_SETRANGEMIN:
      SetRangeQuietly(static_cast<int>(lParam), maximum());
      if (wParam) update();
      return 0;
    case TBM_SETRANGEMAX:
      SetRangeQuietly(minimum(), static_cast<int>(lParam));
      if (wParam) update();
      return 0;
    default:
      return NativeWindow::DefaultProc(message, wParam, lParam);
  }
}

void SliderWindow::paintEvent(QPaintEvent* event) {
  DispatchPaint(event, [this] {
    QStyleOptionSlider option;
    initStyleOption(&option);
    option.subControls = QStyle::SC_SliderGroove | QStyle::SC_SliderHandle;
    if (tickPosition() != NoTicks) option.subControls |= QStyle::SC_SliderTickmarks;
    if (isSliderDown()) {
      option.activeSubControls = QStyle::SC_SliderHandle;
      option.state |= QStyle::State_Sunken;
    }
    if (orientation() == Qt::Vertical) {
      // Styles fill the groove from the minimum's end, which is the top here, so the fill
      // would read opposite to the value the top stands for. Drawn mirrored, the thumb
      // stays where it is and the fill rises from the bottom.
      option.upsideDown = !option.upsideDown;
      option.sliderPosition = option.minimum + option.maximum - option.sliderPosition;
      option.sliderValue = option.minimum + option.maximum - option.sliderValue;
    }
    {
      QPainter painter(this);
      style()->drawComplexControl(QStyle::CC_Slider, &option, &painter, this);
    }
    if (Style() & WS_BORDER) {
      QPainter painter(this);
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawRect(rect().adjusted(0, 0, -1, -1));
    }
  });
}

void SliderWindow::keyReleaseEvent(QKeyEvent* event) {
  QSlider::keyReleaseEvent(event);
  EndTrackIfPending();
}

void SliderWindow::mouseReleaseEvent(QMouseEvent* event) {
  QSlider::mouseReleaseEvent(event);
  EndTrackIfPending();
}

// ------------------------------------------------------------------ static

void StaticControl::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  const QRect frame = rect().adjusted(0, 0, -1, -1);
  switch (m_StaticStyle & SS_TYPEMASK) {
    case SS_BLACKRECT:
      painter.fillRect(rect(), palette().color(QPalette::WindowText));
      return;
    case SS_GRAYRECT:
      painter.fillRect(rect(), palette().color(QPalette::Mid));
      return;
    case SS_WHITERECT:
      painter.fillRect(rect(), palette().color(QPalette::Light));
      return;
    case SS_BLACKFRAME:
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawRect(frame);
      return;
    case SS_GRAYFRAME:
      painter.setPen(palette().color(QPalette::Mid));
      painter.drawRect(frame);
      return;
    case SS_WHITEFRAME:
      painter.setPen(palette().color(QPalette::Light));
      painter.drawRect(frame);
      return;
    case SS_LEFT:
    case SS_CENTER:
    case SS_RIGHT:
    case SS_LEFTNOWORDWRAP: {
      const DWORD type = m_StaticStyle & SS_TYPEMASK;
      int flags = Qt::AlignTop;
      flags |= type == SS_CENTER  ? Qt::AlignHCenter
               : type == SS_RIGHT ? Qt::AlignRight
                                  : Qt::AlignLeft;
      if (type != SS_LEFTNOWORDWRAP) flags |= Qt::TextWordWrap;
      if (!(m_StaticStyle & SS_NOPREFIX)) flags |= Qt::TextShowMnemonic;
      painter.setPen(palette().color(QPalette::WindowText));
      painter.drawText(rect(), flags, m_Caption);
      return;
    }
    default:
      return;  // other static kinds are not used by the program's templates
  }
}

StaticWindow::StaticWindow(QWidget* parent, const DialogItemTemplate& item)
    : NativeWidget(WindowKind::Static, item.id, item.style, item.exStyle, parent, item.style) {
  m_Caption = Caption(item);
  setFocusPolicy(Qt::NoFocus);
}

void StaticWindow::SetText(const QString& text) {
  m_Caption = text;
  update();
}

// ------------------------------------------------------------------ factory

NativeWindow* CreateControl(QWidget* parent, const DialogItemTemplate& item,
                            const QRect& geometry) {
  NativeWindow* control = nullptr;
  switch (item.kind) {
    case ControlKind::Button:
      control = new ButtonWindow(parent, item);
      break;
    case ControlKind::Edit:
      control = new EditWindow(parent, item);
      break;
    case ControlKind::Static:
      control = new StaticWindow(parent, item);
      break;
    case ControlKind::Trackbar:
      control = new SliderWindow(parent, item);
      break;
  }
  QWidget* widget = control->Widget();
  widget->setGeometry(geometry);
  if (!(item.style & WS_VISIBLE)) widget->setVisible(false);
  if (item.style & WS_DISABLED) widget->setEnabled(false);
  return control;
}
