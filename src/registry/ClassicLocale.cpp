#include "registry/ClassicLocale.h"

namespace {

locale_t ClassicLocale() {
  // Created once and kept for the life of the process; newlocale of "C" only
  // fails when memory runs out, and then the scope simply changes nothing.
  static const locale_t classic = newlocale(LC_ALL_MASK, "C", static_cast<locale_t>(nullptr));
  return classic;
}

}  // namespace

ClassicLocaleScope::ClassicLocaleScope() {
  if (locale_t classic = ClassicLocale()) m_Previous = uselocale(classic);
}

ClassicLocaleScope::~ClassicLocaleScope() {
  if (m_Previous) uselocale(m_Previous);
}
