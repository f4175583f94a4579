// Patterns of the LIKE operator: % (any run of characters), _ (any one character), [set] and
// [^set] with ranges such as [a-f]. A ] right after [ or [^ belongs to the set, and so does a -
// at its start or end; [%] and [_] match the characters themselves. Matching ignores case.
#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace pal::wql {

class LikePattern {
public:
    // False when the pattern has a [ without its closing ].
    bool Compile(std::u16string_view pattern);

    bool Matches(std::u16string_view text) const;

private:
    struct Range {
        char16_t low;
        char16_t high;
    };
    struct Element {
        enum class Kind { AnyRun, AnyOne, Literal, Set };
        Kind kind = Kind::Literal;
        char16_t literal = 0;  // folded
        bool negated = false;
        std::vector<Range> ranges;  // folded bounds
    };

    bool MatchesOne(const Element& element, char16_t folded) const;

    std::vector<Element> elements_;
};

}  // namespace pal::wql
