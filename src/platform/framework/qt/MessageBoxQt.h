// The modal message box on Qt, installed behind MessageBoxA by AfxWinInit.
#pragma once

#include "platform/framework/WinUser.h"

void InstallQtMessageBox();
int QtMessageBox(HWND owner, const char* text, const char* caption, UINT type);
