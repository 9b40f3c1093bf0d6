#include "app/skin_loader.h"

namespace qo {

void LoadSkin(Application& /*app*/, FileSystem& /*files*/, SkinnableWindow& /*window*/) {
  // Not built yet: no skin is applied.
}

}  // namespace qo
