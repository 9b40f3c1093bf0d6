#include "app/start_up.h"

namespace qo {

void StartUp::Form_Load() {}

void StartUp::Form_Unload() {}

}  // namespace qo
