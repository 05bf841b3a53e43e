// The framework's run-time type scheme: a class's identity is the address of its static ClassId
// function; every participating class answers its name and whether it is of a given class's kind
// (its own or a base's identity). KindCast is the safe down-cast built on it, for raw and shared
// pointers; a shared result shares ownership with its argument.
#pragma once
#include <cstdint>
#include <memory>

// A class identity: the address of the class's ClassId function.
using TClassId = uintptr_t;

// The top class of a hierarchy: declares ClassId and the two virtual queries.
#define TM_CLASS_ROOT(Name)                                                              \
 public:                                                                                 \
  static TClassId ClassId() { return reinterpret_cast<TClassId>(&Name::ClassId); }      \
  virtual const char* GetClassName() const { return #Name; }                             \
  virtual bool IsKindOf(TClassId id) const { return id == Name::ClassId(); }

// A class deriving from Base in the same hierarchy.
#define TM_CLASS(Name, Base)                                                             \
 public:                                                                                 \
  static TClassId ClassId() { return reinterpret_cast<TClassId>(&Name::ClassId); }      \
  const char* GetClassName() const override { return #Name; }                            \
  bool IsKindOf(TClassId id) const override { return id == Name::ClassId() || Base::IsKindOf(id); }

// The object as a T when it is of T's kind, else null (null stays null).
template <class T, class From>
T* KindCast(From* object) {
  if (!object || !object->IsKindOf(T::ClassId())) return nullptr;
  return static_cast<T*>(object);
}

template <class T, class From>
std::shared_ptr<T> KindCast(const std::shared_ptr<From>& object) {
  if (!object || !object->IsKindOf(T::ClassId())) return {};
  return std::static_pointer_cast<T>(object);
}
