#include "ui/form1.h"

namespace glint {

Form1::Form1() { setWindowTitle("Valkarin Glintscope Pro"); }

}  // namespace glint
