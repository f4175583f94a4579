// Captures what a WMI namespace serves as MOF text: class definitions (qualifiers, properties with
// their types and defaults, methods with their parameters) and instances with every value written
// exactly, in an order a MOF compiler can load: every superclass before its subclasses, every
// class before the instances of it and before the objects embedded in them.
#pragma once

#include <map>
#include <vector>

#include "wmicapture/MofText.h"
#include "wmi/RefPtr.h"
#include "wmi/WmiService.h"

namespace wmicapture {

struct CaptureOptions {
    // The classes to write; empty for every class of the namespace that is not a system class.
    // The superclasses of a chosen class are written as definitions too (without their instances).
    std::vector<Text> classes;
    // A WQL condition per class (the folded class name is the key) that its instances must meet.
    std::map<Text, Text> where;
    // The most instances written per class; negative for all of them.
    long limit = -1;
    bool definitionsOnly = false;
    // The namespace that the MOF's `#pragma namespace` names: empty for the captured one.
    Text targetNamespace;
};

struct CaptureReport {
    int classes = 0;
    int instances = 0;
    // What could not be written as it was, one line each (also written into the MOF as comments).
    std::vector<Text> warnings;
};

// The condition with every `{pid}` replaced by the process id: a capture's WHERE may name the
// capturing process itself.
Text WithProcessId(TextView condition, unsigned long processId);

// Captures the namespace `nameSpace` (`root\cimv2`, as connected) of an open session. On failure
// the result is the failing HRESULT and `error` tells what failed; `mof` is then incomplete.
HRESULT CaptureNamespace(const wmibridge::CRefPtr<wmibridge::CWmiService>& session, TextView nameSpace,
                         const CaptureOptions& options, Text& mof, CaptureReport& report, Text& error);

}  // namespace wmicapture
