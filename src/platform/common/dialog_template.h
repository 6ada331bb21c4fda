// The extended dialog template (DLGTEMPLATEEX) as plain data. Reading a
// template is kept apart from building windows out of it.
#ifndef QEL_PLATFORM_DIALOG_TEMPLATE_H
#define QEL_PLATFORM_DIALOG_TEMPLATE_H

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

#include "byte_reader.h"

struct DialogItemTemplate {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;  // dialog units
  int32_t id = 0;
  ResourceId windowClass;  // a predefined class atom or a class name
  ResourceId title;        // text, or the resource number of an image
  std::vector<unsigned char> creationData;
};

struct DialogTemplate {
  uint32_t helpId = 0;
  uint32_t exStyle = 0;
  uint32_t style = 0;
  int16_t x = 0, y = 0, cx = 0, cy = 0;
  ResourceId menu;
  ResourceId windowClass;
  std::string title;
  uint16_t pointSize = 0;  // font fields: set only with DS_SETFONT
  uint16_t weight = 0;
  bool italic = false;
  uint8_t charset = 0;
  std::string typeface;
  std::vector<DialogItemTemplate> items;
};

// False when the bytes are not a complete extended dialog template.
bool ParseDialogTemplate(const unsigned char* data, size_t size, DialogTemplate* out);

// The name of a predefined control class ("BUTTON", "EDIT", "STATIC"...)
// whether the template names it by atom or by string; upper case.
std::string ControlClassName(const ResourceId& windowClass);

#endif
