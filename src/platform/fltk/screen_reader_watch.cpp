// A few D-Bus messages written and read by hand. Linking a D-Bus library
// (and GLib with it) into every QEL just to learn that no screen reader is
// running would cost more memory than the whole program; the libraries are
// loaded only once one is.
#include "screen_reader_watch.h"

#include <FL/Fl.H>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <algorithm>
#include <cerrno>
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const uint32_t kGetAllSerial = 3;
const size_t kMaxBuffered = 1 << 16;  // more than the bus ever sends us here
const char kStatusInterface[] = "org.a11y.Status";

enum MessageType : uint8_t { kMethodCall = 1, kMethodReturn = 2, kSignal = 4 };
enum HeaderField : uint8_t {
  kPath = 1, kInterface = 2, kMember = 3, kReplySerial = 5, kDestination = 6, kSignature = 8
};

// ---- writing: little-endian, as the first header byte says

class MessageWriter {
 public:
  void Align(size_t n) { bytes_.resize((bytes_.size() + n - 1) / n * n, '\0'); }
  void Byte(uint8_t b) { bytes_ += static_cast<char>(b); }
  void Uint32(uint32_t v) {
    Align(4);
    for (int i = 0; i < 4; i++) Byte(static_cast<uint8_t>(v >> (8 * i)));
  }
  void String(const std::string& s) {
    Uint32(static_cast<uint32_t>(s.size()));
    bytes_ += s;
    Byte(0);
  }
  void Signature(const std::string& s) {
    Byte(static_cast<uint8_t>(s.size()));
    bytes_ += s;
    Byte(0);
  }
  void Field(HeaderField code, char type, const std::string& value) {
    Align(8);
    Byte(code);
    Signature(std::string(1, type));
    if (type == 'g') Signature(value);
    else String(value);
  }
  void PatchUint32(size_t at, uint32_t v) {
    for (int i = 0; i < 4; i++) bytes_[at + i] = static_cast<char>(v >> (8 * i));
  }
  size_t size() const { return bytes_.size(); }
  const std::string& bytes() const { return bytes_; }

 private:
  std::string bytes_;
};

// A method call with no argument or one string.
std::string MethodCall(uint32_t serial, const char* destination, const char* path, const char* interface,
                       const char* member, const char* argument = nullptr) {
  MessageWriter m;
  m.Byte('l');
  m.Byte(kMethodCall);
  m.Byte(0);  // flags: replies wanted, services may be started
  m.Byte(1);  // protocol version
  m.Uint32(0);  // body length, patched below
  m.Uint32(serial);
  m.Uint32(0);  // header fields' length, patched below
  const size_t fieldsStart = m.size();
  m.Field(kPath, 'o', path);
  m.Field(kDestination, 's', destination);
  m.Field(kInterface, 's', interface);
  m.Field(kMember, 's', member);
  if (argument) m.Field(kSignature, 'g', "s");
  m.PatchUint32(12, static_cast<uint32_t>(m.size() - fieldsStart));
  m.Align(8);
  const size_t bodyStart = m.size();
  if (argument) m.String(argument);
  m.PatchUint32(4, static_cast<uint32_t>(m.size() - bodyStart));
  return m.bytes();
}

// ---- reading: every offset checked against the end

class MessageReader {
 public:
  MessageReader(const std::string& bytes, size_t start, size_t end, bool bigEndian)
      : bytes_(bytes), at_(start), start_(start), end_(end), bigEndian_(bigEndian) {}

  bool ok() const { return ok_; }
  size_t at() const { return at_; }
  bool AtEnd() const { return at_ >= end_; }

  void Align(size_t n) { at_ = start_ + (at_ - start_ + n - 1) / n * n; }
  uint8_t Byte() {
    if (at_ + 1 > end_) return Fail();
    return static_cast<uint8_t>(bytes_[at_++]);
  }
  uint32_t Uint32() {
    Align(4);
    if (at_ + 4 > end_) return Fail();
    uint32_t v = 0;
    for (int i = 0; i < 4; i++) {
      const uint32_t b = static_cast<uint8_t>(bytes_[at_ + i]);
      v |= bigEndian_ ? b << (8 * (3 - i)) : b << (8 * i);
    }
    at_ += 4;
    return v;
  }
  std::string String() { return Text(Uint32()); }
  std::string Signature() { return Text(Byte()); }

 private:
  std::string Text(uint32_t length) {
    if (!ok_ || length > end_ - at_ || at_ + length + 1 > end_) return Fail(), std::string();
    std::string text = bytes_.substr(at_, length);
    at_ += length + 1;  // and its NUL
    return text;
  }
  uint8_t Fail() {
    ok_ = false;
    at_ = end_;
    return 0;
  }

  const std::string& bytes_;
  size_t at_, start_, end_;
  bool bigEndian_;
  bool ok_ = true;
};

struct Message {
  uint8_t type = 0;
  uint32_t replySerial = 0;
  std::string member, signature;
  size_t bodyStart = 0, end = 0;
};

// True if a reader is enabled in an a{sv} of org.a11y.Status's properties.
// Only booleans are expected there; anything else ends the reading.
bool ScreenReaderEnabledIn(MessageReader& r) {
  const uint32_t length = r.Uint32();
  r.Align(8);
  const size_t end = r.at() + length;
  bool enabled = false;
  while (r.ok() && r.at() < end) {
    r.Align(8);
    const std::string name = r.String();
    if (r.Signature() != "b") break;
    const bool value = r.Uint32() != 0;
    if (name == "IsEnabled" || name == "ScreenReaderEnabled") enabled = enabled || value;
  }
  return r.ok() && enabled;
}

bool SaysEnabled(const std::string& bytes, const Message& m, bool bigEndian) {
  MessageReader body(bytes, m.bodyStart, m.end, bigEndian);
  if (m.type == kMethodReturn && m.replySerial == kGetAllSerial && m.signature == "a{sv}")
    return ScreenReaderEnabledIn(body);
  if (m.type == kSignal && m.member == "PropertiesChanged" && m.signature == "sa{sv}as")
    return body.String() == kStatusInterface && ScreenReaderEnabledIn(body);
  return false;
}

// Reads the header of the message at `start`. 0: incomplete; -1: malformed.
int ReadHeader(const std::string& bytes, size_t start, Message* m, bool* bigEndian) {
  if (bytes.size() - start < 16) return 0;
  *bigEndian = bytes[start] == 'B';
  MessageReader fixed(bytes, start, start + 16, *bigEndian);
  fixed.Byte();
  m->type = fixed.Byte();
  fixed.Byte();
  fixed.Byte();
  const uint32_t bodyLength = fixed.Uint32();
  fixed.Uint32();  // serial
  const uint32_t fieldsLength = fixed.Uint32();
  if (bodyLength > kMaxBuffered || fieldsLength > kMaxBuffered) return -1;
  m->bodyStart = start + (16 + fieldsLength + 7) / 8 * 8;
  m->end = m->bodyStart + bodyLength;
  if (bytes.size() < m->end) return 0;

  MessageReader fields(bytes, start, start + 16 + fieldsLength, *bigEndian);
  for (int i = 0; i < 16; i++) fields.Byte();
  while (fields.ok() && !fields.AtEnd()) {
    fields.Align(8);
    const uint8_t code = fields.Byte();
    const std::string type = fields.Signature();
    if (type == "u") {
      const uint32_t value = fields.Uint32();
      if (code == kReplySerial) m->replySerial = value;
    } else if (type == "s" || type == "o") {
      const std::string value = fields.String();
      if (code == kMember) m->member = value;
    } else if (type == "g") {
      const std::string value = fields.Signature();
      if (code == kSignature) m->signature = value;
    } else {
      return -1;
    }
  }
  return fields.ok() ? 1 : -1;
}

// ---- the connection

int busSocket = -1;
std::string received;
bool authenticated = false;
void (*whenEnabled)() = nullptr;

void Stop() {
  Fl::remove_fd(busSocket);
  close(busSocket);
  busSocket = -1;
  received.clear();
}

// Consumes what has arrived. False once there is nothing more to wait for.
bool ReadReplies() {
  if (!authenticated) {
    const size_t line = received.find("\r\n");
    if (line == std::string::npos) return true;
    if (received.compare(0, 3, "OK ") != 0) return false;
    authenticated = true;
    received.erase(0, line + 2);
  }
  size_t start = 0;
  for (;;) {
    Message m;
    bool bigEndian = false;
    const int header = ReadHeader(received, start, &m, &bigEndian);
    if (header < 0) return false;
    if (header == 0) break;
    if (SaysEnabled(received, m, bigEndian)) {
      Stop();
      whenEnabled();
      return false;
    }
    start = m.end;
  }
  received.erase(0, start);
  return true;
}

void OnReadable(int, void*) {
  char chunk[4096];
  const ssize_t n = read(busSocket, chunk, sizeof chunk);
  if (n <= 0 && !(n < 0 && errno == EAGAIN)) return Stop();
  if (n > 0) received.append(chunk, static_cast<size_t>(n));
  if (received.size() > kMaxBuffered || !ReadReplies()) {
    if (busSocket >= 0) Stop();
  }
}

// The session bus's socket, from the first "unix:path=" or "unix:abstract="
// of its address.
bool SessionBusSocket(sockaddr_un* address, socklen_t* length) {
  const char* value = std::getenv("DBUS_SESSION_BUS_ADDRESS");
  if (!value) return false;
  const std::string all(value);
  size_t entryStart = 0;
  while (entryStart <= all.size()) {
    const size_t entryEnd = std::min(all.find(';', entryStart), all.size());
    const std::string entry = all.substr(entryStart, entryEnd - entryStart);
    entryStart = entryEnd + 1;
    if (entry.compare(0, 5, "unix:") != 0) continue;
    for (const char* key : {"path=", "abstract="}) {
      const size_t at = entry.find(key);
      if (at == std::string::npos || (at != 5 && entry[at - 1] != ',')) continue;
      const size_t from = at + std::strlen(key);
      const std::string name = entry.substr(from, entry.find(',', from) - from);
      const bool abstract = key[0] == 'a';
      if (name.empty() || name.size() + 1 > sizeof address->sun_path) return false;
      std::memset(address, 0, sizeof *address);
      address->sun_family = AF_UNIX;
      std::memcpy(address->sun_path + (abstract ? 1 : 0), name.data(), name.size());
      *length = static_cast<socklen_t>(offsetof(sockaddr_un, sun_path) + name.size() + (abstract ? 1 : 0));
      return true;
    }
  }
  return false;
}

// Authentication, Hello, the signal we want and the question, all at once:
// the bus reads them in order once it has said OK.
std::string Greeting() {
  std::string uid = std::to_string(getuid()), hex;
  for (unsigned char c : uid) {
    const char digits[] = "0123456789abcdef";
    hex += digits[c >> 4];
    hex += digits[c & 15];
  }
  const std::string match = std::string("type='signal',interface='org.freedesktop.DBus.Properties',"
                                        "member='PropertiesChanged',path='/org/a11y/bus',arg0='") +
                            kStatusInterface + "'";
  return std::string(1, '\0') + "AUTH EXTERNAL " + hex + "\r\nBEGIN\r\n" +
         MethodCall(1, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "Hello") +
         MethodCall(2, "org.freedesktop.DBus", "/org/freedesktop/DBus", "org.freedesktop.DBus", "AddMatch",
                    match.c_str()) +
         MethodCall(kGetAllSerial, "org.a11y.Bus", "/org/a11y/bus", "org.freedesktop.DBus.Properties", "GetAll",
                    kStatusInterface);
}

}  // namespace

bool WatchScreenReaderStatus(void (*onEnabled)()) {
  sockaddr_un address;
  socklen_t length = 0;
  if (!SessionBusSocket(&address, &length)) return false;
  busSocket = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
  if (busSocket < 0) return false;
  const std::string greeting = Greeting();
  // A local socket connects at once or not at all; so does a short write.
  if (connect(busSocket, reinterpret_cast<sockaddr*>(&address), length) != 0 ||
      send(busSocket, greeting.data(), greeting.size(), MSG_NOSIGNAL) != static_cast<ssize_t>(greeting.size())) {
    close(busSocket);
    busSocket = -1;
    return false;
  }
  whenEnabled = onEnabled;
  Fl::add_fd(busSocket, FL_READ, OnReadable);
  return true;
}
