#pragma once

#include <QString>

class QWidget;

namespace quill {

class SkinEngine;

// Restyles the window when a skin file is installed beside the program.
// Throws Failure where a part of it fails; what ran before stays in effect.
void SkinStep(QWidget &window, SkinEngine &engine, const QString &installFolder);

} // namespace quill
