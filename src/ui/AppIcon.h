#pragma once
// The program's icon, drawn rather than shipped as a file so the program
// needs nothing beside it to look like itself.

#include <QIcon>
#include <QPixmap>

namespace ks {

QPixmap AppIconPixmap(int size);
QIcon AppIcon();

}  // namespace ks
