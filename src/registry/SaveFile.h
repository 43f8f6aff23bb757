// Writes a file so that the old content survives any failure.
//
// Normally the text goes to a temporary file in the target's folder, which replaces the
// target only once every write, the flush and the sync have succeeded. The temporary is
// unnamed where the system allows it (O_TMPFILE): it gets the hidden name
// ".NAME.quennet-save" only for the moment between being complete and being renamed over
// the target, so a save killed at any point leaves nothing, or that one file, behind.
// Elsewhere the temporary has that fixed name from the start; a later save removes it.
// A replaced file keeps its permission bits, and its owner and group where the user may
// give them; other hard links to it keep the old content.
//
// Where no temporary can be made (the folder is not writable, the file is) the target is
// written in place: its old bytes are held and written back if the new text fails.
//
// Symbolic links are followed (the link stays, its target is replaced). A target that
// exists but is no regular file (a device, a pipe) has no content to keep and is written
// directly.
#pragma once

#include <cstdio>
#include <string>

#include "registry/FileResult.h"

class SaveFile {
 public:
  // The kind of temporary tried first; Named skips the unnamed kind (for tests of the
  // systems that lack it).
  enum class Temporary { Unnamed, Named };

  explicit SaveFile(std::string path, Temporary first = Temporary::Unnamed);
  ~SaveFile();
  SaveFile(const SaveFile&) = delete;
  SaveFile& operator=(const SaveFile&) = delete;

  // Creates the temporary (or opens the target, when it is written in place or directly).
  FileResult open();
  // The stream to write to; null before a successful open and after commit.
  FILE* stream() const { return m_Stream; }
  // Flushes, syncs and closes the stream, then puts the new text in place of the old.
  // On any failure the target keeps its old content. Clear errno before writing: a
  // write that failed on the way is reported with the errno it left.
  FileResult commit();

  // The hidden name a temporary for target has while it is named.
  static std::string HiddenNameFor(const std::string& target);

 private:
  // How the text reaches the target.
  enum class Way { None, Unnamed, Named, InPlace, Direct };

  FileResult openTemporary(bool existing, const struct stat& old);
  FileResult openInPlace();
  FileResult openStream(int fd, Way way);
  FileResult linkUnnamed();
  // Puts the held old bytes back into the target written in place.
  void restoreOldBytes();
  void discard();

  std::string m_Path;
  Temporary m_First;
  std::string m_Target;  // the file actually replaced, symbolic links resolved
  std::string m_Hidden;  // the temporary's name (while it has one)
  Way m_Way = Way::None;
  FILE* m_Stream = nullptr;
  int m_Fd = -1;             // a second descriptor of the stream's file, for after fclose
  std::string m_OldBytes;    // the target's content, when written in place
  bool m_Committed = false;  // the in-place target holds the new text, or the temporary is gone
};
