// WQL queries: parsed, and when they parse, validated against two test classes and evaluated on
// each of their instances. Nothing may crash or stay alive.
#include <cstdlib>
#include <string>
#include <vector>

#include "fuzz_support.h"
#include "owners.h"
#include "repository/repository.h"
#include "wql/query.h"

namespace {

struct Target {
    pal::wmi::ObjectPtr cls;
    std::vector<pal::wmi::ObjectPtr> instances;
};

std::vector<Target> LoadTargets()
{
    std::vector<Target> targets;
    auto repository = pal::wmi::LocalRepository();
    for (const char16_t* name : {u"Test_AllTypes", u"Test_Keyed"}) {
        Target target;
        IWbemClassObject* cls = nullptr;
        if (FAILED(repository->GetClass(u"root\\test", name, &cls)) ||
            FAILED(repository->Instances(u"root\\test", name, &target.instances))) {
            std::abort();
        }
        target.cls.Attach(cls);
        targets.push_back(std::move(target));
    }
    return targets;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const std::vector<Target> targets = LoadTargets();
    static const std::vector<LONG> baseline = fuzzing::LiveCounts();
    {
        pal::wql::Query query;
        if (SUCCEEDED(pal::wql::ParseQuery(fuzzing::Utf16Of(data, size), query))) {
            if (pal::wql::IsSchemaQuery(query)) {
                pal::wql::ValidateSchemaQuery(query);
            }
            for (const Target& target : targets) {
                if (FAILED(pal::wql::ValidateQuery(query, target.cls.Get()))) {
                    continue;
                }
                for (const auto& instance : target.instances) {
                    bool matches = false;
                    pal::wql::EvaluateWhere(query, instance.Get(), matches);
                }
            }
        }
    }
    if (fuzzing::LiveCounts() != baseline) {
        std::abort();
    }
    return 0;
}
