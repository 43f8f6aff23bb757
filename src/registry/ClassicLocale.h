// Parameter files always use the C conventions (a decimal point, never a comma),
// whatever locale the window framework installed for the process.
#pragma once

#include <locale.h>

// Switches the calling thread to the "C" locale for its lifetime and restores
// the previous per-thread locale afterwards. Cheap enough to open per record.
class ClassicLocaleScope {
 public:
  ClassicLocaleScope();
  ~ClassicLocaleScope();
  ClassicLocaleScope(const ClassicLocaleScope&) = delete;
  ClassicLocaleScope& operator=(const ClassicLocaleScope&) = delete;

 private:
  locale_t m_Previous = nullptr;
};
