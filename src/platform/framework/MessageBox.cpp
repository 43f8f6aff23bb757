#include "platform/framework/MessageBox.h"

#include <utility>

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

MessageBoxResponder SetMessageBoxResponder(MessageBoxResponder responder) {
  return std::exchange(Responder(), std::move(responder));
}

void SetMessageBoxImplementation(MessageBoxResponder implementation) {
  Implementation() = std::move(implementation);
}
