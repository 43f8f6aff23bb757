// The standard Open and Save As dialogs.
//
// The program may set m_ofn.lpstrDefExt and m_ofn.lpstrFilter (description and pattern
// pairs, each zero-terminated, the list ended by an extra zero) directly before DoModal.
// DoModal shows the dialog modally and returns IDOK with the chosen full path in
// GetPathName(), or IDCANCEL. A name typed without an extension gets ".<default
// extension>"; with OFN_OVERWRITEPROMPT, Save As asks before choosing an existing file
// (No goes back to the dialog); with OFN_FILEMUSTEXIST, Open refuses a missing file the
// same way. The dialog object remembers the last path and filter chosen and offers them
// next time (m_ofn.nFilterIndex). The dialog is the desktop's own where it has one, else
// Qt's; filters show the program's descriptions as they are, and the program's settings
// stay untouched (Qt's own dialog keeps no history in the user's configuration).
//
// Tests answer the dialog with SetTestResponder instead of a user: the responder gets
// what the dialog would show and returns the name typed (relative names count from the
// dialog's folder) or nothing for Cancel; the rules above apply to its answer.
#pragma once

#include <functional>
#include <optional>
#include <string>
#include <utility>
#include <vector>

#include "platform/framework/Dialog.h"

inline constexpr DWORD OFN_READONLY = 0x00000001;
inline constexpr DWORD OFN_OVERWRITEPROMPT = 0x00000002;
inline constexpr DWORD OFN_HIDEREADONLY = 0x00000004;
inline constexpr DWORD OFN_NOCHANGEDIR = 0x00000008;
inline constexpr DWORD OFN_PATHMUSTEXIST = 0x00000800;
inline constexpr DWORD OFN_FILEMUSTEXIST = 0x00001000;
inline constexpr DWORD OFN_EXPLORER = 0x00080000;

struct OPENFILENAME {
  DWORD lStructSize;
  HWND hwndOwner;
  HINSTANCE hInstance;
  LPCSTR lpstrFilter;
  LPSTR lpstrCustomFilter;
  DWORD nMaxCustFilter;
  DWORD nFilterIndex;  // 1-based; 0 for the first
  LPSTR lpstrFile;     // in: the name offered; out: the full path chosen
  DWORD nMaxFile;
  LPSTR lpstrFileTitle;
  DWORD nMaxFileTitle;
  LPCSTR lpstrInitialDir;
  LPCSTR lpstrTitle;
  DWORD Flags;
  WORD nFileOffset;
  WORD nFileExtension;
  LPCSTR lpstrDefExt;
};
using OPENFILENAMEA = OPENFILENAME;

struct FileDialogRequest {
  bool open;          // Open, else Save As
  std::string title;  // "Open", "Save As" or lpstrTitle
  std::string folder;
  std::string fileName;  // offered name, e.g. the one chosen last time
  std::vector<std::pair<std::string, std::string>> filters;  // description, patterns
  int filterIndex;                                           // 0-based
  std::string defaultExtension;
  DWORD flags;
};
using FileDialogResponder = std::function<std::optional<std::string>(const FileDialogRequest&)>;

class CFileDialog : public CDialog {
 public:
  // filter uses '|' between strings, as the original class takes it ("a|*.a||").
  explicit CFileDialog(BOOL openFileDialog, LPCSTR defaultExtension = nullptr,
                       LPCSTR fileName = nullptr,
                       DWORD flags = OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT,
                       LPCSTR filter = nullptr, CWnd* parent = nullptr);

  OPENFILENAME m_ofn;

  int DoModal();
  CString GetPathName() const;
  CString GetFileName() const;
  CString GetFileExt() const;

  // Answers every DoModal while set (tests); nullptr restores the real dialog. Returns the
  // responder it replaced.
  static FileDialogResponder SetTestResponder(FileDialogResponder responder);

 private:
  static constexpr size_t kMaxPath = 4096;
  BOOL m_bOpenFileDialog;
  std::string m_DefaultExtension;
  std::string m_Filter;
  char m_szFileName[kMaxPath] = {};
  char m_szFileTitle[256] = {};
};
