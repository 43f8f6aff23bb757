// The registered dialog templates, by id.
#include "platform/framework/DialogTemplate.h"

#include <map>

namespace {

std::map<int, const DialogTemplate*>& Registered() {
  static std::map<int, const DialogTemplate*> templates;
  return templates;
}

}  // namespace

void RegisterDialogTemplates(std::span<const DialogTemplate> templates) {
  for (const DialogTemplate& t : templates) Registered()[t.id] = &t;
}

const DialogTemplate* FindDialogTemplate(int id) {
  const auto found = Registered().find(id);
  return found == Registered().end() ? nullptr : found->second;
}
