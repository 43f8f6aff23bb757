// Process memory from /proc/self/status, in kilobytes.
#pragma once

namespace reliability {

long ResidentKb();
long PeakResidentKb();
// Restarts the peak (VmHWM) from the current resident size; false where the kernel
// does not support it.
bool ResetPeakResident();

}  // namespace reliability
