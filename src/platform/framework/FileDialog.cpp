#include "platform/framework/FileDialog.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
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

std::optional<std::string> RunQtFileDialog(const FileDialogRequest& request, HWND owner) {
  NativeWindow* native = NativeWindow::FromHandle(owner);
  QFileDialog dialog(native ? native->Widget()->window() : nullptr, ToQt(request.title));
  // The desktop's own dialog may not exist here; the prompts are ours.
  dialog.setOptions(QFileDialog::DontUseNativeDialog | QFileDialog::DontConfirmOverwrite);
  dialog.setAcceptMode(request.open ? QFileDialog::AcceptOpen : QFileDialog::AcceptSave);
  dialog.setFileMode(request.open && (request.flags & OFN_FILEMUSTEXIST) ? QFileDialog::ExistingFile
                                                                         : QFileDialog::AnyFile);
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
  return FromQt(chosen.first());
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
    const std::optional<std::string> answer =
        TestResponder() ? TestResponder()(request) : RunQtFileDialog(request, owner);
    if (!answer || answer->empty()) return IDCANCEL;
    const QString absolute = QDir(ToQt(request.folder)).absoluteFilePath(ToQt(*answer));
    const std::string path =
        WithDefaultExtension(FromQt(QDir::cleanPath(absolute)), request.defaultExtension);
    const QFileInfo chosen(ToQt(path));
    request.folder = FromQt(chosen.absolutePath());
    request.fileName = FromQt(chosen.fileName());

    if (!request.open && (request.flags & OFN_OVERWRITEPROMPT) && chosen.exists()) {
      const std::string question = path + " already exists.\nDo you want to replace it?";
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
