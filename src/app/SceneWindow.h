// The main window without a user: for programs that run the scene headless (on the
// off-screen window platform) and need a picture of a chosen size and what it shows.
#pragma once

#include <cstdint>
#include <vector>

#include "app/TorusDlg.h"

// Sizes the main window so that its picture area is width x height pixels (the margins
// kept by the resize reaction stay). True when the picture area has that size now.
bool SizePictureArea(CTorusDlg& dlg, int width, int height);

// The picture area as it shows now, that is the last frame presented into it:
// 0xAARRGGBB pixels, row by row. False when there is no picture window.
bool ReadPicture(const CTorusDlg& dlg, std::vector<uint32_t>* pixels, SIZE* size);
