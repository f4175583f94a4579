// Where winpal puts its modules together: the hooks by which a lower module calls a higher one
// are installed here, as the library loads, before any caller can reach them.
#include "live/live_classes.h"
#include "services/instance_providers.h"

namespace {

[[maybe_unused]] const bool g_liveProviders =
    (pal::services::SetBuiltinProviders(&pal::live::RegisterLiveProviders), true);

}  // namespace
