// The platform layer's stand-in for the Windows SDK's umbrella header.
#pragma once

#include <winnt.h>
#include <winerror.h>
#include <guiddef.h>
#include <winbase.h>
#include <winreg.h>
