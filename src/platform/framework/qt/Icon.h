// Icons on Qt: an HICON is a QIcon with its sizes.
#pragma once

#include <QIcon>
#include <QImage>

#include "platform/framework/WinUser.h"

struct IconObject {
  QIcon icon;
};

// The registered picture of icon id that is size x size pixels, or a null image.
QImage IconImage(UINT id, int size);
