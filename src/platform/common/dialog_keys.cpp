#include "dialog_keys.h"

#include "win32.h"

namespace {

// Without DM_SETDEFID in the subset, the template's styles are the truth.
bool IsDefaultPushButton(const DialogItemTemplate& item) {
  return (item.style & BS_TYPEMASK) == BS_DEFPUSHBUTTON && ControlClassName(item.windowClass) == "BUTTON";
}

}  // namespace

int EnterCommandId(const DialogTemplate& t, int focused) {
  if (focused >= 0 && static_cast<size_t>(focused) < t.items.size() && IsDefaultPushButton(t.items[focused]))
    return LOWORD(t.items[focused].id);
  for (const DialogItemTemplate& item : t.items)
    if (IsDefaultPushButton(item)) return (item.style & WS_DISABLED) ? 0 : LOWORD(item.id);
  return IDOK;
}
