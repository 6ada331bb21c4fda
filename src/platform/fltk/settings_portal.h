// The desktop's appearance as the settings portal tells it: a preference
// for dark, and high contrast. Asked once, then followed as it changes.
#ifndef QEL_PLATFORM_SETTINGS_PORTAL_H
#define QEL_PLATFORM_SETTINGS_PORTAL_H

#include "system_colors.h"

// Asks the portal, waiting only for the question to go out (2 ms at the
// most), and listens for changes; `onChange`
// runs from the loop with each appearance that differs from the last
// (starting from no preference, normal contrast). Only the first call
// asks; without a session bus, nothing happens.
void WatchDesktopAppearance(void (*onChange)(const DesktopAppearance& appearance));

// Waits for the portal's first answer, but only until `capMs` after it was
// asked: a portal that is slow to start, or hangs, costs no more than that.
void WaitForDesktopAppearance(int capMs);

#endif
