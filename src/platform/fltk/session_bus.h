// The program's one connection to the session bus, through libdbus, its
// socket and timeouts served from FLTK's loop. The screen-reader watch and
// the settings portal share it; nothing here ever waits unboundedly.
#ifndef QEL_PLATFORM_SESSION_BUS_H
#define QEL_PLATFORM_SESSION_BUS_H

#include <dbus/dbus.h>

#include <cstdint>
#include <functional>

// Opened at first use, without waiting for the bus to answer. Null where
// the session has no bus (libdbus would launch one of its own and leave it
// running) or it cannot be reached.
DBusConnection* SessionBus();

// Sends `call` (and releases it). `onReply` gets the reply from the loop,
// or the error reply that stands for none: a timeout, a hang-up. False if
// nothing could be sent.
bool CallOnSessionBus(DBusMessage* call, void (*onReply)(DBusMessage* reply));

// Services the bus alone until `done()` or until `deadline`, a time on
// steady_clock in milliseconds (SessionBusNowMs).
void WaitOnSessionBus(int64_t deadline, bool (*done)());

// Until what was sent has gone out, the connection's greeting to the bus
// before it, or until `deadline`: libdbus otherwise goes on with the
// greeting only when the bus is next serviced, and the answers wait for it.
void SendOnSessionBus(int64_t deadline);
int64_t SessionBusNowMs();

// Every entry of a dictionary with string keys (a{s...}) at `dictionary`, in
// order. False, having visited nothing, when it holds anything else.
bool ForEachEntry(DBusMessageIter* dictionary,
                  const std::function<void(const char* key, DBusMessageIter* value)>& visit);

// The value inside a variant, if it is of `type` (DBUS_TYPE_UINT32 into a
// dbus_uint32_t, DBUS_TYPE_BOOLEAN into a dbus_bool_t).
bool VariantValue(DBusMessageIter* variant, int type, void* value);

#endif
