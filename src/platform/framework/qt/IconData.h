// The application icon's PNG files, compiled in by the build from resources/icon-N.png.
#pragma once

#include <cstddef>

struct EmbeddedIcon {
  int size;  // 0 ends the list
  const unsigned char* data;
  size_t length;
};

extern const EmbeddedIcon kEmbeddedIcons[];
