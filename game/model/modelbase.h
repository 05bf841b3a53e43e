// The two small bases of every model class: ISerializable writes the object into the save text,
// and CObservedSubject/CObserver carry change notification from model objects to the screens that
// show them. Neither side owns the other; an observer detaches itself before it goes away.
#pragma once
#include <memory>
#include <string>
#include <vector>

class ISerializable {
 public:
  virtual ~ISerializable() = default;
  // Appends the object's constructor call to `out` (never clears it).
  virtual void Serialize(std::string& out) const = 0;
};

class CObservedSubject;

class CObserver {
 public:
  virtual ~CObserver() = default;
  // The subject that changed, so one observer can tell several subjects apart.
  virtual void Update(CObservedSubject* subject) = 0;
};

class CObservedSubject {
 public:
  CObservedSubject() = default;
  // Forgets the observers without telling them.
  virtual ~CObservedSubject() = default;
  CObservedSubject(const CObservedSubject&) = default;
  CObservedSubject& operator=(const CObservedSubject&) = default;

  // Appends; an observer attached twice is told twice.
  virtual void Attach(CObserver* observer);
  // Removes every entry of the observer.
  virtual void Detach(CObserver* observer);
  // Tells the observers in attach order. An observer that detaches itself or others, or attaches
  // one, during the walk is safe: the walk goes over the list as it was when it began, skipping
  // those detached meanwhile.
  virtual void Notify();

  size_t GetObserverCount() const { return mObservers.size(); }

 protected:
  std::vector<CObserver*> mObservers;
};

// The one slot of a model singleton; the class's CreateInstance, GetInstance and DestroyInstance
// work on it.
template <class T>
std::unique_ptr<T>& ModelSingleton() {
  static std::unique_ptr<T> instance;
  return instance;
}
