// Scoped replacements of the framework's test seams: the tick counter, Sleep, message boxes
// and the file dialogs. Each puts back what it replaced when it goes, so rigs nest and a
// failed assertion cannot leave a seam behind for the next test.
#pragma once

#include <functional>
#include <string>
#include <utility>

#include "platform/framework/FileDialog.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/Window.h"

namespace testsupport {

template <typename Function, Function (*Set)(Function)>
class ScopedOverride {
 public:
  explicit ScopedOverride(Function replacement) : m_Previous(Set(std::move(replacement))) {}
  ~ScopedOverride() { Set(std::move(m_Previous)); }
  ScopedOverride(const ScopedOverride&) = delete;
  ScopedOverride& operator=(const ScopedOverride&) = delete;

 private:
  Function m_Previous;
};

using ScopedTickCount = ScopedOverride<std::function<DWORD()>, SetTickCountSource>;
using ScopedSleep = ScopedOverride<std::function<void(DWORD)>, SetSleepFunction>;
using ScopedMessageBoxes = ScopedOverride<MessageBoxResponder, SetMessageBoxResponder>;
using ScopedFileDialogs = ScopedOverride<FileDialogResponder, &CFileDialog::SetTestResponder>;

// A message box as the program asked for it.
struct ShownBox {
  std::string text;
  std::string caption;
  UINT type;
};

}  // namespace testsupport
