#include "platform/framework/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QGuiApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <algorithm>
#include <cstring>
#include <utility>

#include "platform/framework/WinApp.h"
#include "platform/framework/qt/NativeWindow.h"

namespace {

FileDialogResponder& TestResponder() {
  static FileDialogResponder responder;
  return responder;
}

std::vector<std::pair<std::string, std::string>> ParseFilter(LPCSTR filter) {
  std::vector<std::pair<std::string, std::string>> pairs;
  if (!filter) return pairs;
  // Strings follow one another, each zero-terminated; an empty one ends the list.
  const char* p = filter;
  while (*p) {
    std::string description = p;
    p += description.size() + 1;
    if (!*p) break;  // a description without a pattern ends the list too
    std::string patterns = p;
    p += patterns.size() + 1;
    pairs.emplace_back(std::move(description), std::move(patterns));
  }
  return pairs;
}

QString ToQt(const std::string& text) {
  return QString::fromLocal8Bit(text.c_str());
}

std::string FromQt(const QString& text) {
  return QFile::encodeName(text).toStdString();
}

// The name's last part has no dot: it gets ".extension".
std::string WithDefaultExtension(const std::string& path, const std::string& extension) {
  if (extension.empty()) return path;
  const size_t slash = path.find_last_of('/');
  const std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
  if (name.empty() || name.find('.') != std::string::npos) return path;
  return path + "." + extension;
}

// What a real dialog answered: the path, the filter chosen, and whether the dialog itself
// already asked before replacing that path.
struct DialogAnswer {
  std::string path;
  int filterIndex = 0;
  bool askedBeforeReplacing = false;
};

std::string ReplaceQuestion(const std::string& path) {
  return path + " already exists.\nDo you want to replace it?";
}

// The program reads and writes no settings, but Qt's own dialog keeps its history in the
// user's QtProject.conf: its settings go to a folder of this process's own, removed at exit.
void KeepQtSettingsPrivate() {
  static QTemporaryDir folder;
  static const bool redirected = [] {
    if (!folder.isValid()) return false;
    for (const QSettings::Format format : {QSettings::NativeFormat, QSettings::IniFormat}) {
      for (const QSettings::Scope scope : {QSettings::UserScope, QSettings::SystemScope})
        QSettings::setPath(format, scope, folder.path());
    }
    return true;
  }();
  (void)redirected;
}

// A headless platform has no desktop and so no desktop dialog; tests run there. Elsewhere
// Qt shows the desktop's dialog (its platform theme or the desktop portal) where there is one.
bool HeadlessPlatform() {
  const QString platform = QGuiApplication::platformName();
  return platform == QLatin1String("offscreen") || platform == QLatin1String("minimal");
}

// Qt's own dialog asks before replacing a file while it is still open, so that "No" goes
// back to it with the name still typed. A desktop's dialog asks by itself.
class ReplacePromptingDialog : public QFileDialog {
 public:
  ReplacePromptingDialog(QWidget* parent, const QString& title, HWND owner, bool ask)
      : QFileDialog(parent, title), m_Owner(owner), m_Ask(ask) {}
  bool Asked() const { return m_Asked; }

  void accept() override {
    const QStringList files = selectedFiles();
    if (m_Ask && testOption(DontUseNativeDialog) && !files.isEmpty()) {
      const QFileInfo chosen(files.first());
      if (chosen.exists() && !chosen.isDir()) {
        const std::string question = ReplaceQuestion(FromQt(chosen.absoluteFilePath()));
        if (MessageBoxA(m_Owner, question.c_str(), FromQt(windowTitle()).c_str(),
                        MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
          return;
        }
        m_Asked = true;
      }
    }
    QFileDialog::accept();
  }

 private:
  HWND m_Owner;
  bool m_Ask;
  bool m_Asked = false;
};

std::optional<DialogAnswer> RunQtFileDialog(const FileDialogRequest& request, HWND owner) {
  KeepQtSettingsPrivate();
  NativeWindow* native = NativeWindow::FromHandle(owner);
  const bool askBeforeReplacing = !request.open && (request.flags & OFN_OVERWRITEPROMPT);
  ReplacePromptingDialog dialog(native ? native->Widget()->window() : nullptr, ToQt(request.title),
                                owner, askBeforeReplacing);
  // The filters are shown as the program describes them; Qt would add the patterns.
  QFileDialog::Options options = QFileDialog::HideNameFilterDetails;
  if (HeadlessPlatform()) {
    options |= QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite;
  } else if (!askBeforeReplacing) {
    options |= QFileDialog::DontConfirmOverwrite;
  }
  dialog.setOptions(options);
  dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(request.open && (request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                         : QFileDialog::AnyFile);
  dialog.setDefaultSuffix(ToQt(request.defaultExtension));
  QStringList nameFilters;
  for (const auto& [description, patterns] : request.filters) {
    QString qtPatterns = ToQt(patterns);
    qtPatterns.replace(';', ' ');
    nameFilters << ToQt(description) + " (" + qtPatterns + ")";
  }
  if (!nameFilters.isEmpty()) {
    dialog.setNameFilters(nameFilters);
    dialog.selectNameFilter(nameFilters.value(request.filterIndex, nameFilters.first()));
  }
  if (!request.folder.empty()) dialog.setDirectory(ToQt(request.folder));
  if (!request.fileName.empty()) dialog.selectFile(ToQt(request.fileName));
  if (dialog.exec() != QDialog::Accepted) return std::nullopt;
  const QStringList chosen = dialog.selectedFiles();
  if (chosen.isEmpty()) return std::nullopt;
  DialogAnswer answer;
  answer.path = FromQt(chosen.first());
  // Qt names the filter chosen by the whole filter or, with the details hidden, by its
  // description alone.
  const QString filter = dialog.selectedNameFilter().trimmed();
  for (int i = 0; i < static_cast<int>(request.filters.size()); ++i) {
    if (filter == nameFilters[i] || filter == ToQt(request.filters[i].first).trimmed())
      answer.filterIndex = i;
  }
  // A desktop dialog asked about the name it returned; Qt's own asked above.
  answer.askedBeforeReplacing = askBeforeReplacing && (dialog.Asked() || !HeadlessPlatform());
  return answer;
}

}  // namespace

CFileDialog::CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension, LPCSTR fileName, DWORD flags,
                         LPCSTR filter, CWnd* parent)
    : CDialog(0, parent), m_ofn{}, m_bOpenFileDialog(openFileDialog) {
  m_ofn.lStructSize = sizeof(OPENFILENAME);
  m_ofn.hInstance = AfxGetInstanceHandle();
  m_ofn.Flags = flags | OFN_EXPLORER;
  m_ofn.lpstrFile = m_szFileName;
  m_ofn.nMaxFile = static_cast<DWORD>(kMaxPath);
  m_ofn.lpstrFileTitle = m_szFileTitle;
  m_ofn.nMaxFileTitle = static_cast<DWORD>(sizeof(m_szFileTitle));
  if (defaultExtension) {
    m_DefaultExtension = defaultExtension;
    m_ofn.lpstrDefExt = m_DefaultExtension.c_str();
  }
  if (fileName) std::strncpy(m_szFileName, fileName, kMaxPath - 1);
  if (filter) {
    m_Filter = filter;
    for (char& c : m_Filter) {
      if (c == '|') c = '\0';
    }
    m_Filter.push_back('\0');
    m_ofn.lpstrFilter = m_Filter.c_str();
  }
}

FileDialogResponder CFileDialog::SetTestResponder(FileDialogResponder responder) {
  return std::exchange(TestResponder(), std::move(responder));
}

int CFileDialog::DoModal() {
  // The framework makes the main window the owner when none is given.
  HWND owner = m_ofn.hwndOwner;
  if (!owner && m_pParentWnd) owner = m_pParentWnd->m_hWnd;
  if (!owner && AfxGetMainWnd()) owner = AfxGetMainWnd()->m_hWnd;
  if (!m_ofn.lpstrFile || m_ofn.nMaxFile == 0) return IDCANCEL;

  FileDialogRequest request;
  request.open = m_bOpenFileDialog != FALSE;
  request.title = m_ofn.lpstrTitle ? m_ofn.lpstrTitle : request.open ? "Open" : "Save As";
  request.filters = ParseFilter(m_ofn.lpstrFilter);
  request.filterIndex = m_ofn.nFilterIndex > 0 ? static_cast<int>(m_ofn.nFilterIndex) - 1 : 0;
  request.defaultExtension = m_ofn.lpstrDefExt ? m_ofn.lpstrDefExt : "";
  request.flags = m_ofn.Flags;
  const QFileInfo offered(QString::fromLocal8Bit(m_ofn.lpstrFile));
  if (!offered.filePath().isEmpty()) {
    request.folder = FromQt(offered.absolutePath());
    request.fileName = FromQt(offered.fileName());
  } else {
    request.folder = m_ofn.lpstrInitialDir ? m_ofn.lpstrInitialDir : FromQt(QDir::currentPath());
  }

  for (;;) {
    std::optional<DialogAnswer> answer;
    if (TestResponder()) {
      if (std::optional<std::string> typed = TestResponder()(request))
        answer = DialogAnswer{*typed, request.filterIndex, false};
    } else {
      answer = RunQtFileDialog(request, owner);
    }
    if (!answer || answer->path.empty()) return IDCANCEL;
    const QString absolute = QDir(ToQt(request.folder)).absoluteFilePath(ToQt(answer->path));
    const std::string path =
        WithDefaultExtension(FromQt(QDir::cleanPath(absolute)), request.defaultExtension);
    const QFileInfo chosen(ToQt(path));
    request.folder = FromQt(chosen.absolutePath());
    request.fileName = FromQt(chosen.fileName());
    request.filterIndex = answer->filterIndex;

    const bool asked = answer->askedBeforeReplacing && FromQt(QDir::cleanPath(absolute)) == path;
    if (!request.open && (request.flags & OFN_OVERWRITEPROMPT) && chosen.exists() && !asked) {
      const std::string question = ReplaceQuestion(path);
      if (MessageBoxA(owner, question.c_str(), request.title.c_str(),
                      MB_YESNO | MB_ICONEXCLAMATION) != IDYES) {
        continue;
      }
    }
    if (request.open && (request.flags & OFN_FILEMUSTEXIST) && !chosen.exists()) {
      const std::string warning = path + "\nFile not found.\nCheck the file name and try again.";
      MessageBoxA(owner, warning.c_str(), request.title.c_str(), MB_OK | MB_ICONEXCLAMATION);
      continue;
    }
    // A path that does not fit the caller's buffer is a failure, not a cut-off name.
    if (path.size() + 1 > m_ofn.nMaxFile) return IDCANCEL;
    std::memcpy(m_ofn.lpstrFile, path.c_str(), path.size() + 1);
    // The filter chosen is offered again next time, with the file.
    m_ofn.nFilterIndex = static_cast<DWORD>(request.filterIndex + 1);
    const size_t nameStart = path.find_last_of('/') + 1;
    const size_t dot = path.find_last_of('.');
    m_ofn.nFileOffset = static_cast<WORD>(std::min<size_t>(nameStart, 0xFFFF));
    m_ofn.nFileExtension = static_cast<WORD>(
        dot != std::string::npos && dot > nameStart ? std::min<size_t>(dot + 1, 0xFFFF) : 0);
    if (m_ofn.lpstrFileTitle && m_ofn.nMaxFileTitle > 0) {
      std::strncpy(m_ofn.lpstrFileTitle, path.c_str() + nameStart, m_ofn.nMaxFileTitle - 1);
      m_ofn.lpstrFileTitle[m_ofn.nMaxFileTitle - 1] = '\0';
    }
    return IDOK;
  }
}

CString CFileDialog::GetPathName() const {
  return CString(m_ofn.lpstrFile ? m_ofn.lpstrFile : "");
}

CString CFileDialog::GetFileName() const {
  const std::string path = m_ofn.lpstrFile ? m_ofn.lpstrFile : "";
  const size_t slash = path.find_last_of('/');
  return CString(slash == std::string::npos ? path : path.substr(slash + 1));
}

CString CFileDialog::GetFileExt() const {
  const std::string name = GetFileName().Str();
  const size_t dot = name.find_last_of('.');
  return CString(dot == std::string::npos ? std::string() : name.substr(dot + 1));
}
