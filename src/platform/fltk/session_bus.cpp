#include "session_bus.h"

#include <FL/Fl.H>

#include <chrono>
#include <cstdlib>
#include <cstring>

namespace {

DBusConnection* bus = nullptr;

int FlEvents(DBusWatch* watch) {
  const unsigned flags = dbus_watch_get_flags(watch);
  return ((flags & DBUS_WATCH_READABLE) ? FL_READ : 0) | ((flags & DBUS_WATCH_WRITABLE) ? FL_WRITE : 0);
}

// FLTK keeps one entry per descriptor and kind of readiness, so a watch
// for reading and one for writing on the same socket stay apart.
void OnWatchReady(int, void* watch) {
  dbus_watch_handle(static_cast<DBusWatch*>(watch), dbus_watch_get_flags(static_cast<DBusWatch*>(watch)));
}

dbus_bool_t AddWatch(DBusWatch* watch, void*) {
  if (dbus_watch_get_enabled(watch))
    Fl::add_fd(dbus_watch_get_unix_fd(watch), FlEvents(watch), OnWatchReady, watch);
  return TRUE;
}

void RemoveWatch(DBusWatch* watch, void*) {
  if (dbus_watch_get_enabled(watch)) Fl::remove_fd(dbus_watch_get_unix_fd(watch), FlEvents(watch));
}

void ToggleWatch(DBusWatch* watch, void*) {
  if (dbus_watch_get_enabled(watch))
    Fl::add_fd(dbus_watch_get_unix_fd(watch), FlEvents(watch), OnWatchReady, watch);
  else
    Fl::remove_fd(dbus_watch_get_unix_fd(watch), FlEvents(watch));
}

// libdbus's timeouts repeat until removed; handling one may remove it, so
// it is re-armed first.
void OnTimeout(void* timeout) {
  Fl::repeat_timeout(dbus_timeout_get_interval(static_cast<DBusTimeout*>(timeout)) / 1000.0, OnTimeout, timeout);
  dbus_timeout_handle(static_cast<DBusTimeout*>(timeout));
}

dbus_bool_t AddTimeout(DBusTimeout* timeout, void*) {
  if (dbus_timeout_get_enabled(timeout))
    Fl::add_timeout(dbus_timeout_get_interval(timeout) / 1000.0, OnTimeout, timeout);
  return TRUE;
}

void RemoveTimeout(DBusTimeout* timeout, void*) { Fl::remove_timeout(OnTimeout, timeout); }

void ToggleTimeout(DBusTimeout* timeout, void* data) {
  RemoveTimeout(timeout, data);
  AddTimeout(timeout, data);
}

void Dispatch(void*) {
  while (bus && dbus_connection_dispatch(bus) == DBUS_DISPATCH_DATA_REMAINS) {
  }
}

// Messages are handled from the loop, never inside libdbus's own calls.
void OnDispatchStatus(DBusConnection*, DBusDispatchStatus status, void*) {
  if (status == DBUS_DISPATCH_DATA_REMAINS && !Fl::has_timeout(Dispatch)) Fl::add_timeout(0.0, Dispatch);
}

struct ReplyHandler {
  void (*onReply)(DBusMessage* reply);
};

void OnPendingReply(DBusPendingCall* pending, void* handler) {
  DBusMessage* reply = dbus_pending_call_steal_reply(pending);
  dbus_pending_call_unref(pending);
  if (!reply) return;
  static_cast<ReplyHandler*>(handler)->onReply(reply);
  dbus_message_unref(reply);
}

void ForgetReplyHandler(void* handler) { delete static_cast<ReplyHandler*>(handler); }

void OnHello(DBusMessage* reply) {
  const char* name = nullptr;
  if (dbus_message_get_type(reply) == DBUS_MESSAGE_TYPE_METHOD_RETURN &&
      dbus_message_get_args(reply, nullptr, DBUS_TYPE_STRING, &name, DBUS_TYPE_INVALID))
    dbus_bus_set_unique_name(bus, name);
}

// Without a session bus libdbus would start one of its own, which would
// outlive us; an "autolaunch:" address would do the same.
const char* SessionBusAddress() {
  const char* address = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!address || !*address || std::strstr(address, "autolaunch:")) return nullptr;
  return address;
}

DBusConnection* Connect() {
  const char* address = SessionBusAddress();
  if (!address) return nullptr;
  DBusError error;
  dbus_error_init(&error);
  DBusConnection* connection = dbus_connection_open_private(address, &error);
  dbus_error_free(&error);
  if (!connection) return nullptr;
  dbus_connection_set_exit_on_disconnect(connection, FALSE);
  if (!dbus_connection_set_watch_functions(connection, AddWatch, RemoveWatch, ToggleWatch, nullptr, nullptr) ||
      !dbus_connection_set_timeout_functions(connection, AddTimeout, RemoveTimeout, ToggleTimeout, nullptr,
                                             nullptr)) {
    dbus_connection_close(connection);
    dbus_connection_unref(connection);
    return nullptr;
  }
  dbus_connection_set_dispatch_status_function(connection, OnDispatchStatus, nullptr, nullptr);
  return connection;
}

}  // namespace

DBusConnection* SessionBus() {
  static bool tried = false;
  if (tried) return bus;
  tried = true;
  bus = Connect();
  // Hello goes first, as the bus wants, but unlike dbus_bus_register() it is
  // not waited for.
  if (bus)
    CallOnSessionBus(dbus_message_new_method_call(DBUS_SERVICE_DBUS, DBUS_PATH_DBUS, DBUS_INTERFACE_DBUS, "Hello"),
                     OnHello);
  return bus;
}

bool CallOnSessionBus(DBusMessage* call, void (*onReply)(DBusMessage* reply)) {
  if (!call) return false;
  DBusPendingCall* pending = nullptr;
  const bool sent =
      bus && dbus_connection_send_with_reply(bus, call, &pending, DBUS_TIMEOUT_USE_DEFAULT) && pending;
  dbus_message_unref(call);
  if (!sent) return false;
  dbus_pending_call_set_notify(pending, OnPendingReply, new ReplyHandler{onReply}, ForgetReplyHandler);
  return true;
}

int64_t SessionBusNowMs() {
  using namespace std::chrono;
  return duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count();
}

void WaitOnSessionBus(int64_t deadline, bool (*done)()) {
  while (bus && !done()) {
    const int64_t left = deadline - SessionBusNowMs();
    if (left <= 0 || !dbus_connection_read_write_dispatch(bus, static_cast<int>(left))) break;
  }
}

void SendOnSessionBus(int64_t deadline) {
  while (bus && dbus_connection_has_messages_to_send(bus)) {
    const int64_t left = deadline - SessionBusNowMs();
    if (left <= 0 || !dbus_connection_read_write(bus, static_cast<int>(left))) break;
  }
}

bool ForEachEntry(DBusMessageIter* dictionary,
                  const std::function<void(const char* key, DBusMessageIter* value)>& visit) {
  char* signature = dbus_message_iter_get_signature(dictionary);
  const bool stringKeys = signature && std::strncmp(signature, "a{s", 3) == 0;
  dbus_free(signature);
  if (!stringKeys) return false;
  DBusMessageIter entries;
  dbus_message_iter_recurse(dictionary, &entries);
  for (; dbus_message_iter_get_arg_type(&entries) == DBUS_TYPE_DICT_ENTRY; dbus_message_iter_next(&entries)) {
    DBusMessageIter entry;
    dbus_message_iter_recurse(&entries, &entry);
    const char* key = nullptr;
    dbus_message_iter_get_basic(&entry, &key);
    dbus_message_iter_next(&entry);
    visit(key, &entry);
  }
  return true;
}

bool VariantValue(DBusMessageIter* variant, int type, void* value) {
  if (dbus_message_iter_get_arg_type(variant) != DBUS_TYPE_VARIANT) return false;
  DBusMessageIter inside;
  dbus_message_iter_recurse(variant, &inside);
  if (dbus_message_iter_get_arg_type(&inside) != type) return false;
  dbus_message_iter_get_basic(&inside, value);
  return true;
}
