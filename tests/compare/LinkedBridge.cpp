#include "LinkedBridge.h"

namespace scenario {

BridgeExports LinkedBridge()
{
    BridgeExports exports;
#define BRIDGE_BIND_EXPORT(name) exports.name = &BRIDGE_CONNECTOR(name);
    BRIDGE_CONNECTOR_EXPORTS(BRIDGE_BIND_EXPORT)
#undef BRIDGE_BIND_EXPORT
#define BRIDGE_BIND_EXTENSION(name) exports.name = &BRIDGE_EXTENSIONS(name);
    BRIDGE_EXTENSIONS_EXPORTS(BRIDGE_BIND_EXTENSION)
#undef BRIDGE_BIND_EXTENSION
    return exports;
}

}  // namespace scenario
