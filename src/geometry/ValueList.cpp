#include "geometry/ValueList.h"

#include <cstdint>

ValueList::~ValueList() {
  delete[] m_Data;
}

void ValueList::Rebuild(int32_t newCount, int32_t keepHead, Value v, int32_t n, int32_t tailFrom) {
  Value* fresh = newCount > 0 ? new Value[newCount] : nullptr;
  int32_t out = 0;
  for (int32_t k = 0; k < keepHead; ++k) fresh[out++] = m_Data[k];
  for (int32_t k = 0; k < n; ++k) fresh[out++] = v;
  for (int32_t k = tailFrom; k < m_Count; ++k) fresh[out++] = m_Data[k];
  delete[] m_Data;
  m_Data = fresh;
  m_Count = newCount;
}

void ValueList::RemoveAll() {
  if (m_Count > 0) {
    delete[] m_Data;
    m_Data = nullptr;
    m_Count = 0;
  }
}

// A count past the 32-bit range cannot be held; such a request changes nothing.
static bool Fits(int32_t count, int32_t n) {
  return n <= INT32_MAX - count;
}

void ValueList::Append(Value v, int32_t n) {
  if (n <= 0 || !Fits(m_Count, n)) return;
  Rebuild(m_Count + n, m_Count, v, n, m_Count);
}

void ValueList::Insert(Value v, int32_t i, int32_t n) {
  if (n <= 0 || !Fits(m_Count, n)) return;
  if (i < 0) i = 0;
  if (i > m_Count) i = m_Count;
  Rebuild(m_Count + n, i, v, n, i);
}

void ValueList::RemoveAt(int32_t i, int32_t n) {
  if (n <= 0 || i >= m_Count || i < 0) return;
  if (n > m_Count - i) n = m_Count - i;
  Rebuild(m_Count - n, i, nullptr, 0, i + n);
}

void ValueList::Truncate(int32_t i) {
  RemoveAt(i, GetCount() - i);
}

bool ValueList::Contains(Value v) const {
  int32_t index;
  return Find(v, index);
}

bool ValueList::Find(Value v, int32_t& index) const {
  for (int32_t k = 0; k < m_Count; ++k) {
    if (m_Data[k] == v) {
      index = k;
      return true;
    }
  }
  index = -1;
  return false;
}

void ValueList::Copy(const ValueList& other) {
  if (&other == this) return;
  Value* fresh = other.m_Count > 0 ? new Value[other.m_Count] : nullptr;
  for (int32_t k = 0; k < other.m_Count; ++k) fresh[k] = other.m_Data[k];
  delete[] m_Data;
  m_Data = fresh;
  m_Count = other.m_Count;
}
