#include "resources.h"

#include <strings.h>

#include "byte_reader.h"
#include "module.h"

namespace {

bool NameMatches(const ResourceId& id, LPCSTR name) {
  if (IS_INTRESOURCE(name)) return id.isOrdinal && id.ordinal == LOWORD(name);
  return !id.isOrdinal && strcasecmp(id.name.c_str(), name) == 0;
}

bool AnyName(const ResourceId&, LPCSTR) { return true; }

ResourceBytes FindResourceWhere(HINSTANCE module, WORD type, LPCSTR name,
                                bool (*matches)(const ResourceId&, LPCSTR)) {
  if (!module) return {};
  ByteReader reader(module->resources, module->size);
  while (reader.ok() && reader.remaining() > 0) {
    const size_t start = reader.offset();
    const uint32_t dataSize = reader.U32();
    const uint32_t headerSize = reader.U32();
    const ResourceId resType = reader.NameOrOrdinal();
    const ResourceId resName = reader.NameOrOrdinal();
    if (!reader.ok() || headerSize < 8 || reader.offset() > start + headerSize) break;

    reader.Skip(start + headerSize - reader.offset());
    const unsigned char* data = reader.here();
    reader.Skip(dataSize);
    if (!reader.ok()) break;
    reader.AlignTo4();

    if (resType.isOrdinal && resType.ordinal == type && matches(resName, name))
      return {data, dataSize};
  }
  return {};
}

}  // namespace

ResourceBytes FindResourceBytes(HINSTANCE module, WORD type, LPCSTR name) {
  return FindResourceWhere(module, type, name, NameMatches);
}

ResourceBytes FindFirstResourceBytes(HINSTANCE module, WORD type) {
  return FindResourceWhere(module, type, nullptr, AnyName);
}
