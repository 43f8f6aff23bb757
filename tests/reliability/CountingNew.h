// Replaced global allocation functions that count what is allocated while counting is
// on. A binary that links CountingNew.cpp gets them for everything it runs, Qt included.
#pragma once

#include <cstddef>

namespace reliability {

struct AllocCounts {
  long allocations = 0;
  size_t bytes = 0;
  // Of those, the allocations that Qt's own code made (its repaint requests, its events),
  // told by the library the call came from.
  long qtAllocations = 0;
  // The rest: the program's own code and the C++ library it calls.
  long Ours() const { return allocations - qtAllocations; }
};

// Counts the allocations made while it lives (on this thread or any other).
class CountAllocations {
 public:
  CountAllocations();
  ~CountAllocations();
  CountAllocations(const CountAllocations&) = delete;
  CountAllocations& operator=(const CountAllocations&) = delete;
  AllocCounts Counts() const;

 private:
  AllocCounts m_Before;
};

// Every allocation through operator new since the process started.
AllocCounts TotalAllocations();

}  // namespace reliability
