// The dialog manager's own keys, as USER32's IsDialogMessage takes them, for
// the platform units whose dialog manager is ours. Space on a push button is
// the button's own key and is not here.
#ifndef QEL_PLATFORM_DIALOG_KEYS_H
#define QEL_PLATFORM_DIALOG_KEYS_H

#include "dialog_template.h"

// The command (WM_COMMAND, BN_CLICKED) that Enter sends while item `focused`
// has the keyboard (-1: none of them): the focused item's own if it is a
// default push button; else the dialog's default push button's, the first
// in the template; else IDOK. 0 when that default button is disabled, and
// Enter does nothing.
int EnterCommandId(const DialogTemplate& t, int focused);

#endif
