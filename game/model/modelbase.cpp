// Change notification of the model classes.
#include "model/modelbase.h"

#include <algorithm>

void CObservedSubject::Attach(CObserver* observer) { mObservers.push_back(observer); }

void CObservedSubject::Detach(CObserver* observer) {
  mObservers.erase(std::remove(mObservers.begin(), mObservers.end(), observer), mObservers.end());
}

void CObservedSubject::Notify() {
  const std::vector<CObserver*> snapshot = mObservers;
  for (CObserver* observer : snapshot) {
    if (std::find(mObservers.begin(), mObservers.end(), observer) == mObservers.end()) continue;
    observer->Update(this);
  }
}
