#include "wql/like_pattern.h"

#include "wql/text.h"

namespace pal::wql {

bool LikePattern::Compile(std::u16string_view pattern)
{
    elements_.clear();
    size_t i = 0;
    while (i < pattern.size()) {
        const char16_t c = pattern[i++];
        Element element;
        if (c == u'%') {
            element.kind = Element::Kind::AnyRun;
        } else if (c == u'_') {
            element.kind = Element::Kind::AnyOne;
        } else if (c != u'[') {
            element.kind = Element::Kind::Literal;
            element.literal = FoldCase(c);
        } else {
            element.kind = Element::Kind::Set;
            if (i < pattern.size() && pattern[i] == u'^') {
                element.negated = true;
                ++i;
            }
            const size_t setStart = i;
            bool closed = false;
            while (i < pattern.size()) {
                const char16_t first = pattern[i];
                if (first == u']' && i != setStart) {
                    ++i;
                    closed = true;
                    break;
                }
                ++i;
                const bool isRange = i + 1 < pattern.size() && pattern[i] == u'-' && pattern[i + 1] != u']';
                if (isRange) {
                    element.ranges.push_back({FoldCase(first), FoldCase(pattern[i + 1])});
                    i += 2;
                } else {
                    element.ranges.push_back({FoldCase(first), FoldCase(first)});
                }
            }
            if (!closed) {
                elements_.clear();
                return false;
            }
        }
        elements_.push_back(std::move(element));
    }
    return true;
}

bool LikePattern::MatchesOne(const Element& element, char16_t folded) const
{
    switch (element.kind) {
    case Element::Kind::AnyOne: return true;
    case Element::Kind::Literal: return element.literal == folded;
    case Element::Kind::Set: {
        bool inSet = false;
        for (const Range& range : element.ranges) {
            if (folded >= range.low && folded <= range.high) {
                inSet = true;
                break;
            }
        }
        return inSet != element.negated;
    }
    case Element::Kind::AnyRun: break;
    }
    return false;
}

// Greedy matching that, on a mismatch, lets the last % take one more character. Every other
// element consumes exactly one character, so this finds a match whenever there is one.
bool LikePattern::Matches(std::u16string_view text) const
{
    size_t t = 0;
    size_t p = 0;
    size_t runElement = elements_.size();  // none yet
    size_t runText = 0;
    while (t < text.size()) {
        if (p < elements_.size() && elements_[p].kind == Element::Kind::AnyRun) {
            runElement = p++;
            runText = t;
        } else if (p < elements_.size() && MatchesOne(elements_[p], FoldCase(text[t]))) {
            ++p;
            ++t;
        } else if (runElement != elements_.size()) {
            p = runElement + 1;
            t = ++runText;
        } else {
            return false;
        }
    }
    while (p < elements_.size() && elements_[p].kind == Element::Kind::AnyRun) {
        ++p;
    }
    return p == elements_.size();
}

}  // namespace pal::wql
