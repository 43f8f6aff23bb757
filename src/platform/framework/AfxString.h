// The framework's small value classes: CString (a text that converts to const char*
// wherever the platform takes a C string) and CRect/CPoint (RECT and POINT with the
// usual helpers).
#pragma once

#include <string>

#include "platform/framework/WinUser.h"

class CString {
 public:
  CString() = default;
  CString(const char* text) : m_Text(text ? text : "") {}  // NOLINT: converts like the original
  CString(const std::string& text) : m_Text(text) {}       // NOLINT
  CString& operator=(const char* text) {
    m_Text = text ? text : "";
    return *this;
  }
  CString& operator+=(const char* text) {
    if (text) m_Text += text;
    return *this;
  }
  CString& operator+=(const CString& other) {
    m_Text += other.m_Text;
    return *this;
  }

  operator LPCSTR() const { return m_Text.c_str(); }  // NOLINT: the original converts implicitly
  int GetLength() const { return static_cast<int>(m_Text.size()); }
  bool IsEmpty() const { return m_Text.empty(); }
  void Empty() { m_Text.clear(); }
  const std::string& Str() const { return m_Text; }

  // printf-style formatting into this string.
  void Format(LPCSTR format, ...);

  // A writable buffer of at least minLength characters plus the terminator;
  // ReleaseBuffer takes the text up to the terminator (or newLength characters).
  LPSTR GetBuffer(int minLength);
  void ReleaseBuffer(int newLength = -1);

  friend bool operator==(const CString& a, const CString& b) { return a.m_Text == b.m_Text; }
  friend bool operator==(const CString& a, const char* b) { return a.m_Text == (b ? b : ""); }
  friend CString operator+(const CString& a, const CString& b) {
    return CString(a.m_Text + b.m_Text);
  }

 private:
  std::string m_Text;
};

class CPoint : public POINT {
 public:
  CPoint() : POINT{0, 0} {}
  CPoint(int x0, int y0) : POINT{x0, y0} {}
  operator LPPOINT() { return this; }  // NOLINT
};

class CRect : public RECT {
 public:
  CRect() : RECT{0, 0, 0, 0} {}
  CRect(int l, int t, int r, int b) : RECT{l, t, r, b} {}
  CRect(const RECT& r) : RECT(r) {}  // NOLINT
  int Width() const { return right - left; }
  int Height() const { return bottom - top; }
  bool IsRectEmpty() const { return right <= left || bottom <= top; }
  CPoint TopLeft() const { return CPoint(left, top); }
  operator LPRECT() { return this; }         // NOLINT
  operator LPCRECT() const { return this; }  // NOLINT
};
