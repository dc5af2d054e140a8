#pragma once

#include <QPixmap>

namespace marking::shell {

// The pictures of the information screen and the developer dialog, drawn
// at run time so the program directory needs no image files.
QPixmap ProgramPicture(int width, int height);

} // namespace marking::shell
