// "Start Checking".

#include "app/form1.h"

namespace quill {

void Form1::PushButton4_Click() {}

} // namespace quill
