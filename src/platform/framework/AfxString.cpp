#include "platform/framework/AfxString.h"

#include <cstdarg>
#include <cstdio>
#include <cstring>

void CString::Format(LPCSTR format, ...) {
  if (!format) {
    m_Text.clear();
    return;
  }
  va_list args;
  va_start(args, format);
  va_list measure;
  va_copy(measure, args);
  const int length = std::vsnprintf(nullptr, 0, format, measure);
  va_end(measure);
  if (length < 0) {
    m_Text.clear();
  } else {
    m_Text.assign(static_cast<size_t>(length) + 1, '\0');
    std::vsnprintf(m_Text.data(), m_Text.size(), format, args);
    m_Text.resize(static_cast<size_t>(length));
  }
  va_end(args);
}

LPSTR CString::GetBuffer(int minLength) {
  if (minLength > GetLength()) m_Text.resize(static_cast<size_t>(minLength), '\0');
  return m_Text.data();
}

void CString::ReleaseBuffer(int newLength) {
  if (newLength < 0) {
    m_Text.resize(std::strlen(m_Text.c_str()));
  } else if (static_cast<size_t>(newLength) <= m_Text.size()) {
    m_Text.resize(static_cast<size_t>(newLength));
  }
}
