#include "forms/form1.h"

namespace qo {

Form1::Form1(Platform& platform, MainWindow& window)
    : CommonDialog1(window.dialogs()),
      startUp_(platform, window),
      options_(platform, window, CommonDialog1),
      startDrawing_(platform, window) {
  window.connect(*this);
}

}  // namespace qo
