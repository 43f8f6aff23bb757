// MessageBoxA as the program calls it. Declared without Qt so that every layer can call
// it; the Qt framework installs the real modal box at start, and tests install a
// responder that answers instead of a user.
#pragma once

#include <functional>

#include "platform/WinTypes.h"

inline constexpr UINT MB_OK = 0x0;
inline constexpr UINT MB_OKCANCEL = 0x1;
inline constexpr UINT MB_ICONWARNING = 0x30;
inline constexpr int IDOK = 1;
inline constexpr int IDCANCEL = 2;

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type);

// Answers every MessageBoxA call while set. Without a responder and without the Qt
// framework, a box answers IDOK for MB_OK and IDCANCEL otherwise, so a headless run
// never blocks. Returns the responder it replaced.
using MessageBoxResponder = std::function<int(HWND, const char*, const char*, UINT)>;
MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder);
// Installed by the Qt framework layer; used when no test responder is set.
void SetMessageBoxImplementation(MessageBoxResponder implementation);
