// LIKE patterns, through the query language: the input up to its first newline is the pattern,
// the rest the text, stored in an instance's Name and matched with `Name LIKE 'pattern'`. A
// pattern without wildcards or sets must match its own text.
#include <cstdlib>
#include <string>

#include "fuzz_support.h"
#include "owners.h"
#include "repository/repository.h"
#include "wql/query.h"

namespace {

pal::wmi::ObjectPtr Spawn()
{
    IWbemClassObject* cls = nullptr;
    if (FAILED(pal::wmi::LocalRepository()->GetClass(u"root\\test", u"Test_Keyed", &cls))) {
        std::abort();
    }
    pal::wmi::ObjectPtr owner(cls);
    IWbemClassObject* instance = nullptr;
    if (FAILED(cls->SpawnInstance(0, &instance))) {
        std::abort();
    }
    return pal::wmi::ObjectPtr(instance);
}

// Matches `text` against `pattern`; false also when the query does not parse.
bool Like(IWbemClassObject* instance, const std::u16string& pattern, const std::u16string& text, bool& parsed)
{
    VARIANT value;
    V_VT(&value) = VT_BSTR;
    V_BSTR(&value) = SysAllocStringLen(text.data(), static_cast<UINT>(text.size()));
    const HRESULT put = instance->Put(u"Name", 0, &value, 0);
    VariantClear(&value);
    pal::wql::Query query;
    parsed = SUCCEEDED(put) && SUCCEEDED(pal::wql::ParseQuery(
                                   u"SELECT * FROM Test_Keyed WHERE Name LIKE '" + pattern + u"'", query));
    bool matches = false;
    if (parsed) {
        pal::wql::EvaluateWhere(query, instance, matches);
    }
    return matches;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    static const pal::wmi::ObjectPtr instance = Spawn();
    const std::u16string input = fuzzing::Utf16Of(data, size);
    const std::size_t newline = input.find(u'\n');
    std::u16string pattern = input.substr(0, newline);
    const std::u16string text = newline == std::u16string::npos ? pattern : input.substr(newline + 1);
    // Quotes and backslashes would end or escape the string constant around the pattern.
    std::erase_if(pattern, [](char16_t c) { return c == u'\'' || c == u'\\' || c == 0; });
    bool parsed = false;
    Like(instance.Get(), pattern, text, parsed);

    std::u16string plain = text;
    std::erase_if(plain, [](char16_t c) {
        return c == u'\'' || c == u'\\' || c == 0 || c == u'%' || c == u'_' || c == u'[' || c == u']';
    });
    if (!Like(instance.Get(), plain, plain, parsed) && parsed) {
        std::abort();  // a pattern of plain characters must match its own text
    }
    return 0;
}
