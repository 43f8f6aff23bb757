#include "platform/framework/MessageMap.h"

const MessageMap* CCmdTarget::GetThisMessageMap() {
  static const MessageMapEntry entries[] = {{0, 0, 0, nullptr}};
  static const MessageMap map{nullptr, entries};
  return &map;
}

const MessageMap* CCmdTarget::GetMessageMap() const {
  return GetThisMessageMap();
}

const MessageMapEntry* CCmdTarget::FindMessageEntry(UINT message, UINT code, UINT id) const {
  for (const MessageMap* map = GetMessageMap(); map; map = map->base ? map->base() : nullptr) {
    for (const MessageMapEntry* e = map->entries; e->message != 0; ++e) {
      if (e->message != message) continue;
      if (message == WM_COMMAND && (e->code != code || e->id != (id & 0xFFFFu))) continue;
      return e;
    }
  }
  return nullptr;
}

BOOL CCmdTarget::OnCmdMsg(UINT id, int code) {
  const MessageMapEntry* entry = FindMessageEntry(WM_COMMAND, static_cast<UINT>(code), id);
  if (!entry) return FALSE;
  entry->handler(this, 0, 0);
  return TRUE;
}
