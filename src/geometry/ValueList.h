// The program's one container: an ordered list of pointer-sized values that
// reallocates to exactly its new size on every change. It never owns what the
// values refer to.
#pragma once

#include <cstdint>

class ValueList {
 public:
  using Value = void*;

  ValueList() = default;
  ValueList(const ValueList&) = delete;
  ValueList& operator=(const ValueList&) = delete;
  virtual ~ValueList();

  virtual void RemoveAll();
  virtual void Append(Value v, int32_t n);
  virtual void Insert(Value v, int32_t i, int32_t n);
  virtual void RemoveAt(int32_t i, int32_t n);
  virtual int32_t GetCount() const { return m_Count; }
  virtual int32_t GetSize() const { return m_Count; }
  virtual void Truncate(int32_t i);
  // No bounds check: callers keep i within 0 .. count - 1.
  virtual Value& ElementAt(int32_t i) { return m_Data[i]; }
  virtual Value* GetData() { return m_Data; }
  virtual bool Contains(Value v) const;
  virtual bool Find(Value v, int32_t& index) const;
  // other must not be this list.
  virtual void Copy(const ValueList& other);

 private:
  // Builds a new array of newCount values: the first keepHead old values, then n
  // copies of v, then the old values from tailFrom on; releases the old array.
  void Rebuild(int32_t newCount, int32_t keepHead, Value v, int32_t n, int32_t tailFrom);

  Value* m_Data = nullptr;
  int32_t m_Count = 0;
};
