// Invalidation and window device contexts (declared with the rest of GDI in gdi.h).
#pragma once

#include "platform/ui/gdi.h"
