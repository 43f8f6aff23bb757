// Writes a file so that the old content survives any failure: the text goes to a
// temporary file beside the target, which replaces the target only once every
// write, the flush and the sync have succeeded. Abandoned temporaries are removed.
//
// Symbolic links are followed (the link stays, its target is replaced). A target
// that exists but is no regular file (a device, a pipe) has no content to keep
// and is written directly.
#pragma once

#include <cstdio>
#include <string>

#include "registry/FileResult.h"

class SaveFile {
 public:
  explicit SaveFile(std::string path);
  ~SaveFile();
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  // Creates the temporary (or opens the target, when it is written directly).
  FileResult open();
  // The stream to write to; null before a successful open and after commit.
  FILE* stream() const { return m_Stream; }
  // Flushes, syncs and closes the stream, then puts the temporary in place of
  // the target. On any failure the target is left as it was. Clear errno before
  // writing: a write that failed on the way is reported with the errno it left.
  FileResult commit();

 private:
  FileResult openTemporary(const std::string& target, bool keepMode, unsigned mode);
  void discard();

  std::string m_Path;
  std::string m_Target;     // the file actually replaced, symbolic links resolved
  std::string m_Temporary;  // empty when writing directly or once committed
  FILE* m_Stream = nullptr;
};
