// "Load Domains From File".

#include "app/form1.h"

namespace quill {

void Form1::PushButton3_Click() {}

} // namespace quill
