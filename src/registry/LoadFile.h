// Opens a file for reading only when it is a regular file. A device, a pipe or a socket
// never ends (or never starts) the way a parameter file does, so reading one would hang
// the program; such paths are refused before anything is read, and opening them cannot
// block either.
#pragma once

#include <cstdio>
#include <string>

#include "registry/FileResult.h"

class LoadFile {
 public:
  explicit LoadFile(std::string path);
  ~LoadFile();
  LoadFile(const LoadFile&) = delete;
  LoadFile& operator=(const LoadFile&) = delete;

  // Opens the path; a directory is refused with EISDIR, anything else that is no regular
  // file with EINVAL and the reason kNotRegularReason.
  FileResult open();
  // The stream to read from; null before a successful open.
  FILE* stream() const { return m_Stream; }
  // Closes the stream; the result carries a read error met on the way, if any. Clear
  // errno before reading: a failed read is reported with the errno it left.
  FileResult close();

  static constexpr const char* kNotRegularReason =
      "Not a regular file (a device, a pipe or a socket)";

 private:
  std::string m_Path;
  FILE* m_Stream = nullptr;
};
