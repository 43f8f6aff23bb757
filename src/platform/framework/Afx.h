// Everything the program needs of the window framework, in one include: the
// application object and message loop, windows and controls, message tables, dialogs
// from templates, the file dialogs, message boxes, icons, the tick counter and Sleep.
#pragma once

#include "platform/framework/AfxString.h"
#include "platform/framework/Dialog.h"
#include "platform/framework/FileDialog.h"
#include "platform/framework/MessageBox.h"
#include "platform/framework/MessageMap.h"
#include "platform/framework/WinApp.h"
#include "platform/framework/WinUser.h"
#include "platform/framework/Window.h"
#include "platform/framework/Wnd.h"
