// The "Save List" and "Clear List" buttons.

#include "app/form1.h"

namespace quill {

void Form1::PushButton1_Click() {}
void Form1::PushButton6_Click() {}
void Form1::PushButton11_Click() {}
void Form1::PushButton2_Click() {}
void Form1::PushButton9_Click() {}

} // namespace quill
