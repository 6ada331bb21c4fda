#include "dialog_template.h"

#include <algorithm>
#include <cctype>

#include "win32.h"

namespace {

const uint16_t kExtendedVersion = 1;
const uint16_t kExtendedSignature = 0xFFFF;

DialogItemTemplate ReadItem(ByteReader& r) {
  DialogItemTemplate item;
  r.AlignTo4();
  item.helpId = r.U32();
  item.exStyle = r.U32();
  item.style = r.U32();
  item.x = r.I16();
  item.y = r.I16();
  item.cx = r.I16();
  item.cy = r.I16();
  item.id = static_cast<int32_t>(r.U32());
  item.windowClass = r.NameOrOrdinal();
  item.title = r.NameOrOrdinal();
  const uint16_t extra = r.U16();
  if (extra > 0 && r.remaining() >= extra) item.creationData.assign(r.here(), r.here() + extra);
  r.Skip(extra);
  return item;
}

}  // namespace

bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out) {
  ByteReader r(data, size);
  DialogTemplate t;
  if (r.U16() != kExtendedVersion || r.U16() != kExtendedSignature) return false;
  t.helpId = r.U32();
  t.exStyle = r.U32();
  t.style = r.U32();
  const uint16_t itemCount = r.U16();
  t.x = r.I16();
  t.y = r.I16();
  t.cx = r.I16();
  t.cy = r.I16();
  t.menu = r.NameOrOrdinal();
  t.windowClass = r.NameOrOrdinal();
  t.title = r.Utf16String();
  if (t.style & DS_SETFONT) {
    t.pointSize = r.U16();
    t.weight = r.U16();
    t.italic = r.U8() != 0;
    t.charset = r.U8();
    t.typeface = r.Utf16String();
  }
  for (uint16_t i = 0; i < itemCount && r.ok(); i++) t.items.push_back(ReadItem(r));
  if (!r.ok()) return false;
  *out = std::move(t);
  return true;
}

std::string ControlClassName(const ResourceId& windowClass) {
  if (windowClass.isOrdinal) {
    switch (windowClass.ordinal) {
      case 0x0080: return "BUTTON";
      case 0x0081: return "EDIT";
      case 0x0082: return "STATIC";
      case 0x0083: return "LISTBOX";
      case 0x0084: return "SCROLLBAR";
      case 0x0085: return "COMBOBOX";
      default: return "";
    }
  }
  std::string name = windowClass.name;
  std::transform(name.begin(), name.end(), name.begin(),
                 [](unsigned char c) { return static_cast<char>(std::toupper(c)); });
  return name;
}
