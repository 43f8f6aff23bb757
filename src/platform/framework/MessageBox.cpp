#include "platform/framework/MessageBox.h"

namespace {
MessageBoxResponder& Responder() {
  static MessageBoxResponder responder;
  return responder;
}
MessageBoxResponder& Implementation() {
  static MessageBoxResponder implementation;
  return implementation;
}
}  // namespace

int MessageBoxA(HWND owner, const char* text, const char* caption, UINT type) {
  if (Responder()) return Responder()(owner, text ? text : "", caption ? caption : "", type);
  if (Implementation())
    return Implementation()(owner, text ? text : "", caption ? caption : "", type);
  return (type & 0xF) == MB_OK ? IDOK : IDCANCEL;
}

void SetMessageBoxResponder(MessageBoxResponder responder) {
  Responder() = std::move(responder);
}

void SetMessageBoxImplementation(MessageBoxResponder implementation) {
  Implementation() = std::move(implementation);
}
