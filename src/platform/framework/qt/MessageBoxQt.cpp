#include "platform/framework/qt/MessageBoxQt.h"

#include <QApplication>
#include <QMessageBox>

#include "platform/framework/qt/NativeWindow.h"

namespace {

constexpr UINT kAbortRetryIgnore = 0x2;
constexpr UINT kYesNoCancel = 0x3;
constexpr UINT kRetryCancel = 0x5;

QMessageBox::StandardButtons ButtonsFor(UINT type) {
  switch (type & MB_TYPEMASK) {
    case MB_OKCANCEL:
      return QMessageBox::Ok | QMessageBox::Cancel;
    case kAbortRetryIgnore:
      return QMessageBox::Abort | QMessageBox::Retry | QMessageBox::Ignore;
    case kYesNoCancel:
      return QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel;
    case MB_YESNO:
      return QMessageBox::Yes | QMessageBox::No;
    case kRetryCancel:
      return QMessageBox::Retry | QMessageBox::Cancel;
    default:
      return QMessageBox::Ok;
  }
}

QMessageBox::Icon IconFor(UINT type) {
  switch (type & MB_ICONMASK) {
    case MB_ICONERROR:
      return QMessageBox::Critical;
    case MB_ICONEXCLAMATION:
      return QMessageBox::Warning;
    case MB_ICONINFORMATION:
      return QMessageBox::Information;
    default:
      return QMessageBox::NoIcon;
  }
}

int ResultFor(QMessageBox::StandardButton button) {
  switch (button) {
    case QMessageBox::Ok:
      return IDOK;
    case QMessageBox::Cancel:
      return IDCANCEL;
    case QMessageBox::Abort:
      return IDABORT;
    case QMessageBox::Retry:
      return IDRETRY;
    case QMessageBox::Ignore:
      return IDIGNORE;
    case QMessageBox::Yes:
      return IDYES;
    case QMessageBox::No:
      return IDNO;
    default:
      return 0;
  }
}

}  // namespace

int QtMessageBox(HWND owner, const char* text, const char* caption, UINT type) {
  NativeWindow* native = NativeWindow::FromHandle(owner);
  // A box asked while a modal dialog runs (a file dialog) belongs over that dialog.
  QWidget* parent = QApplication::activeModalWidget();
  if (!parent && native) parent = native->Widget()->window();
  QMessageBox box(IconFor(type), QString::fromLocal8Bit(caption ? caption : ""),
                  QString::fromLocal8Bit(text ? text : ""), ButtonsFor(type), parent);
  box.setTextFormat(Qt::PlainText);
  box.exec();
  const int result = ResultFor(box.standardButton(box.clickedButton()));
  if (result != 0) return result;
  // Closed without a button: a box with Cancel answers Cancel, a plain box OK.
  return (ButtonsFor(type) & QMessageBox::Cancel) ? IDCANCEL : IDOK;
}

void InstallQtMessageBox() {
  SetMessageBoxImplementation([](HWND owner, const char* text, const char* caption, UINT type) {
    if (!qobject_cast<QApplication*>(QCoreApplication::instance())) {
      return (type & MB_TYPEMASK) == MB_OK ? IDOK : IDCANCEL;
    }
    return QtMessageBox(owner, text, caption, type);
  });
}
