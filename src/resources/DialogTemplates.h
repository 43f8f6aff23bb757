// The program's three dialog templates.
#pragma once

#include <span>

#include "platform/framework/DialogTemplate.h"

namespace resources {

std::span<const DialogTemplate> DialogTemplates();

}  // namespace resources
