// The Java string view of wmijni: names, paths and queries are short, so 128 units stay inline.
#pragma once

#include "java/JavaString.h"

namespace wmibridge {

using CJniString = CJavaString<128>;

}  // namespace wmibridge
