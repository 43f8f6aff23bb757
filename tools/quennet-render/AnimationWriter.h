// Animations through FFmpeg's libraries: GIF (a palette made for each frame), animated WebP
// (lossless), APNG, MP4 (H.264, yuv420p, for browsers and phones) and WebM (VP9). Every
// frame given is shown for 1/fps s, in order; GIF, WebP and APNG loop forever. MP4 needs even
// sides, so an odd picture gets one more column or row, a copy of its edge; the others keep
// the picture's size.
#pragma once

#include <memory>
#include <string>

#include "OutputFormats.h"
#include "util/Png.h"

namespace render_tool {

class AnimationWriter {
 public:
  // A writer of frames of width x height into path (written in place: the caller decides
  // where); nullptr with a one-line reason when the encoder cannot be had. format is any
  // format that holds every frame.
  static std::unique_ptr<AnimationWriter> Open(const std::string& path, AnimationFormat format,
                                               int width, int height, double fps,
                                               std::string* error);
  ~AnimationWriter();
  AnimationWriter(const AnimationWriter&) = delete;
  AnimationWriter& operator=(const AnimationWriter&) = delete;

  // The next frame, of the size given to Open (its alpha is ignored).
  bool Add(const util::Image& frame, std::string* error);
  // Encodes what is left and closes the file; the file is whole only when this succeeds.
  bool Finish(std::string* error);

 private:
  struct State;
  explicit AnimationWriter(std::unique_ptr<State> state);
  std::unique_ptr<State> m;
};

}  // namespace render_tool
