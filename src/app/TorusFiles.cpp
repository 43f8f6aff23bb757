// The Load and Save commands: a file dialog for the path, then the registry reads or
// writes the fifteen persisted variables. Each command keeps its own dialog, so it offers
// the file chosen last time again.
#include <memory>
#include <new>
#include <string>

#include "app/TorusDlg.h"
#include "dialogs/MaterialDlg.h"
#include "dialogs/ShapeDlg.h"
#include "platform/framework/FileDialog.h"

namespace {

constexpr const char* kDefaultExtension = "manus";
// Description and pattern pairs, each zero-terminated, the list ended by an extra zero.
constexpr char kFilter[] = "magic anus files *.manus\0*.manus\0all files *.*\0*.*\0\0";

// Shows the command's dialog (made on first use) and gives the chosen path, or false when
// the user cancelled.
bool AskForPath(std::unique_ptr<CFileDialog>& dialog, BOOL open, CString& path) {
  if (!dialog) {
    dialog.reset(new (std::nothrow)
                     CFileDialog(open, nullptr, nullptr, OFN_HIDEREADONLY | OFN_OVERWRITEPROMPT));
    if (!dialog) return false;
  }
  dialog->m_ofn.lpstrDefExt = kDefaultExtension;
  dialog->m_ofn.lpstrFilter = kFilter;
  if (dialog->DoModal() != IDOK) return false;
  path = dialog->GetPathName();
  return true;
}

}  // namespace

void CTorusDlg::OnLoad() {
  CString path;
  if (!AskForPath(m_LoadDialog, TRUE, path)) return;
  const FileResult result = m_Registry.load(path);
  if (!result.ok) ReportFileFailure("load", path, result.reason.c_str());
  // Refreshed either way: after a failure they show the unchanged values.
  if (m_ShapeDlg) m_ShapeDlg->RefreshFromOwner();
  if (m_MaterialDlg) {
    m_MaterialDlg->ShowSliders();
    m_MaterialDlg->ShowValues();
  }
}

void CTorusDlg::OnSave() {
  CString path;
  if (!AskForPath(m_SaveDialog, FALSE, path)) return;
  const FileResult result = m_Registry.save(path);
  if (!result.ok) ReportFileFailure("save", path, result.reason.c_str());
}

void CTorusDlg::ReportFileFailure(const char* action, const char* path, const char* reason) {
  // A silent failure would let the user believe the parameters were saved or loaded.
  std::string text = std::string("Could not ") + action + " the file\n" + path + "\n\n" + reason;
  MessageBoxA(GetSafeHwnd(), text.c_str(), "quennet", MB_OK | MB_ICONWARNING);
}
