// TAsset: out-of-line destructor, so the class has one home for its virtual table.
#include "render/asset.h"

TAsset::~TAsset() = default;
