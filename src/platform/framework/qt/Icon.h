// Icons on Qt: an HICON is a QIcon with its sizes.
#pragma once

#include <QIcon>
#include <QImage>

#include "platform/framework/WinUser.h"

struct IconObject {
  QIcon icon;
};

// The application icon's image at size x size pixels: the picture shipped under
// resources/ when there is one for that size, else a torus ring drawn here.
QImage ApplicationIconImage(int size);
// The drawn torus ring.
QImage DrawTorusIcon(int size);
