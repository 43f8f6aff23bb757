#include "resources/Resources.h"

#include "platform/framework/IconResource.h"
#include "resources/DialogTemplates.h"
#include "resources/Resource.h"

namespace resources {

namespace {
// The icon's pictures, compiled in by the build through the Qt resource system.
constexpr const char* kIconPictures[] = {
    ":/quennet/icon-16.png",
    ":/quennet/icon-32.png",
    ":/quennet/icon-48.png",
};
}  // namespace

void RegisterResources() {
  RegisterDialogTemplates(DialogTemplates());
  RegisterIcon(IDR_MAINFRAME, kIconPictures);
}

}  // namespace resources
