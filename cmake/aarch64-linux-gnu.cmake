# Cross build for 64-bit ARM Linux with Debian's aarch64-linux-gnu toolchain and the arm64
# libraries of multiarch (scripts/install-deps-arm64.sh installs both); programs built here,
# the tests among them, run under qemu's user-mode emulator.
set(CMAKE_SYSTEM_NAME Linux)
set(CMAKE_SYSTEM_PROCESSOR aarch64)

set(CMAKE_C_COMPILER aarch64-linux-gnu-gcc)
set(CMAKE_CXX_COMPILER aarch64-linux-gnu-g++)

# Libraries and headers of the target only: the cross toolchain's own tree and the arm64
# multiarch directories (/usr/lib/aarch64-linux-gnu); programs (the build's tools) from the host.
set(CMAKE_FIND_ROOT_PATH /usr/aarch64-linux-gnu /)
set(CMAKE_LIBRARY_ARCHITECTURE aarch64-linux-gnu)
set(CMAKE_FIND_ROOT_PATH_MODE_PROGRAM NEVER)
set(CMAKE_FIND_ROOT_PATH_MODE_LIBRARY ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_INCLUDE ONLY)
set(CMAKE_FIND_ROOT_PATH_MODE_PACKAGE ONLY)
set(ENV{PKG_CONFIG_LIBDIR} /usr/lib/aarch64-linux-gnu/pkgconfig:/usr/share/pkgconfig)

# The programs run on the arm64 multiarch C and C++ libraries, not on the cross toolchain's own
# copy of the C library: under Debian 12's qemu, starting a thread with that copy never returns.
set(CMAKE_CROSSCOMPILING_EMULATOR qemu-aarch64)
