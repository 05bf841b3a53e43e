// The profile store the model was handed.
#include "model/profilestore.h"

static IProfileStore* gProfileStore = nullptr;

IProfileStore* GetProfileStore() { return gProfileStore; }
void SetProfileStore(IProfileStore* store) { gProfileStore = store; }
