// Animations read back with the libraries that play them: FFmpeg for GIF, APNG, MP4 and
// WebM, libwebp's demuxer for animated WebP (FFmpeg decodes only still WebP).
#pragma once

#include <string>
#include <vector>

#include "util/Png.h"

struct ReadAnimation {
  std::string error;  // empty when the file was read
  int width = 0;
  int height = 0;
  std::vector<util::Image> frames;  // 0xFFRRGGBB
  std::vector<double> durations;    // seconds each frame shows
  int loops = -1;                   // as the file says: 0 forever; -1 when it says nothing
};

ReadAnimation ReadWithFFmpeg(const std::string& path);
ReadAnimation ReadWebP(const std::string& path);
