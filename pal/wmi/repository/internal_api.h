// The emulator's export macro lives in the base module; this header keeps the repository's spelling.
#pragma once

#include "base/internal_api.h"
