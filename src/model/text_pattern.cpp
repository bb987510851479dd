#include "model/text_pattern.h"

#include <algorithm>
#include <array>
#include <utility>

namespace {

constexpr uint32_t INFINITE = UINT32_MAX;
constexpr uint32_t MAX_CHAR = sizeof(wchar_t) == 2 ? 0xFFFF : 0x10FFFF;
constexpr size_t NONE = PatternMatch::NONE;
// Counts in {n,m} stop growing here: any larger count makes a program too large anyway.
constexpr uint32_t MAX_COUNT = 1'000'000'000;

enum class Assertion : uint32_t { TextStart, TextEnd, WordBoundary, NotWordBoundary };

bool isWordChar(uint32_t c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

bool isLineBreak(uint32_t c) { return c == '\n' || c == '\r' || c == 0x2028 || c == 0x2029; }

using Range = std::pair<uint32_t, uint32_t>;  // first and last character, inclusive

// The characters \s stands for: white space and line breaks.
constexpr std::array<Range, 10> SPACE_RANGES = {{{0x09, 0x0D},
                                                 {0x20, 0x20},
                                                 {0xA0, 0xA0},
                                                 {0x1680, 0x1680},
                                                 {0x2000, 0x200A},
                                                 {0x2028, 0x2029},
                                                 {0x202F, 0x202F},
                                                 {0x205F, 0x205F},
                                                 {0x3000, 0x3000},
                                                 {0xFEFF, 0xFEFF}}};
constexpr std::array<Range, 4> WORD_RANGES = {{{'0', '9'}, {'A', 'Z'}, {'_', '_'}, {'a', 'z'}}};
constexpr std::array<Range, 1> DIGIT_RANGES = {{{'0', '9'}}};

// Sorts ranges and joins those that overlap or touch.
void normalize(std::vector<Range>& ranges) {
    std::sort(ranges.begin(), ranges.end());
    std::vector<Range> joined;
    for (const Range& r : ranges) {
        if (!joined.empty() && r.first <= joined.back().second + 1) {
            joined.back().second = std::max(joined.back().second, r.second);
        } else {
            joined.push_back(r);
        }
    }
    ranges.swap(joined);
}

template <size_t N>
void addRanges(std::vector<Range>& to, const std::array<Range, N>& ranges, bool complement) {
    if (!complement) {
        to.insert(to.end(), ranges.begin(), ranges.end());
        return;
    }
    uint32_t next = 0;
    for (const Range& r : ranges) {
        if (r.first > next) to.push_back({next, r.first - 1});
        next = r.second + 1;
    }
    if (next <= MAX_CHAR) to.push_back({next, MAX_CHAR});
}

bool inRanges(const std::vector<Range>& ranges, uint32_t c) {
    const auto after = std::upper_bound(ranges.begin(), ranges.end(), Range{c, UINT32_MAX});
    return after != ranges.begin() && std::prev(after)->second >= c;
}

// A set of characters, [...] or \d and its kin.
struct CharClass {
    std::vector<Range> ranges;  // normalized
    bool negated = false;
    std::array<uint64_t, 2> ascii{};  // the answer for the characters below 128, negation applied

    bool contains(uint32_t c) const {
        if (c < 128) return (ascii[c >> 6] >> (c & 63)) & 1;
        return inRanges(ranges, c) != negated;
    }
    void finish() {
        normalize(ranges);
        ascii = {};
        for (uint32_t c = 0; c < 128; ++c) {
            if (inRanges(ranges, c) != negated) ascii[c >> 6] |= uint64_t{1} << (c & 63);
        }
    }
};

// What the case folder does to each character it changes, in character order.
class FoldMap {
public:
    explicit FoldMap(const CaseFolder& fold) {
        std::wstring chunk;
        std::wstring original;
        for (uint32_t start = 1; start <= 0xFFFF; start += 1024) {
            chunk.clear();
            for (uint32_t c = start; c < start + 1024 && c <= 0xFFFF; ++c) {
                if (c < 0xD800 || c > 0xDFFF) chunk.push_back(static_cast<wchar_t>(c));
            }
            original = chunk;
            fold(chunk);
            if (chunk.size() != original.size()) continue;
            for (size_t i = 0; i < chunk.size(); ++i) {
                if (chunk[i] != original[i]) {
                    moved_.push_back({static_cast<uint32_t>(original[i]), static_cast<uint32_t>(chunk[i])});
                }
            }
        }
    }
    uint32_t fold(uint32_t c) const {
        const auto at = std::lower_bound(moved_.begin(), moved_.end(), Range{c, 0});
        return at != moved_.end() && at->first == c ? at->second : c;
    }
    // Adds the folded form of every character in ranges (normalized). The characters that fold
    // to another stay in: a folded text never holds them, so they do no harm.
    void foldRanges(std::vector<Range>& ranges) const {
        const std::vector<Range> unfolded = ranges;
        for (const Range& m : moved_) {
            if (inRanges(unfolded, m.first)) ranges.push_back({m.second, m.second});
        }
        normalize(ranges);
    }

private:
    std::vector<Range> moved_;
};

// The pattern as parsed.
struct Node {
    enum class Kind : uint8_t { Empty, Char, Any, Class, Assert, Group, Concat, Alternate, Repeat };
    explicit Node(Kind k = Kind::Empty) : kind(k) {}
    Kind kind;
    uint32_t value = 0;     // the character, class, assertion or group number
    uint32_t min = 0;       // Repeat: the counts, max INFINITE for no bound
    uint32_t max = 0;
    bool greedy = true;
    uint32_t groupsFrom = 0;  // Repeat: the groups inside the body, [groupsFrom, groupsTo)
    uint32_t groupsTo = 0;
    std::vector<Node> children;
};

// A fault in the pattern, with the text the status line shows.
struct PatternFault {
    std::wstring text;
};

[[noreturn]] void fault(const std::wstring& what) { throw PatternFault{L"regular expression: " + what}; }
[[noreturn]] void fault(const std::wstring& what, size_t index) {
    fault(what + L" at " + std::to_wstring(index + 1));
}

int hexValue(wchar_t c) {
    if (c >= L'0' && c <= L'9') return c - L'0';
    if (c >= L'a' && c <= L'f') return c - L'a' + 10;
    if (c >= L'A' && c <= L'F') return c - L'A' + 10;
    return -1;
}

class Parser {
public:
    Parser(std::wstring_view pattern, const FoldMap* fold, std::vector<CharClass>& classes)
        : s_(pattern), fold_(fold), classes_(classes) {}

    Node parse() {
        Node node = alternation();
        if (i_ < s_.size()) fault(L"unmatched )", i_);  // alternation stops only at a )
        return node;
    }
    uint32_t groupCount() const { return groups_; }

private:
    bool at(wchar_t c) const { return i_ < s_.size() && s_[i_] == c; }
    bool atAny(std::wstring_view chars) const { return i_ < s_.size() && chars.find(s_[i_]) != std::wstring_view::npos; }

    Node alternation() {
        Node first = sequence();
        if (!at(L'|')) return first;
        Node alternate{Node::Kind::Alternate};
        alternate.children.push_back(std::move(first));
        while (at(L'|')) {
            ++i_;
            alternate.children.push_back(sequence());
        }
        return alternate;
    }

    Node sequence() {
        Node sequence{Node::Kind::Concat};
        while (i_ < s_.size() && !atAny(L"|)")) sequence.children.push_back(term());
        if (sequence.children.size() == 1) return std::move(sequence.children.front());
        return sequence;
    }

    Node term() {
        const uint32_t groupsBefore = groups_;
        bool quantifiable = true;
        Node atom = this->atom(quantifiable);
        const size_t quantifierAt = i_;
        uint32_t min = 0;
        uint32_t max = 0;
        if (at(L'*')) {
            min = 0, max = INFINITE, ++i_;
        } else if (at(L'+')) {
            min = 1, max = INFINITE, ++i_;
        } else if (at(L'?')) {
            min = 0, max = 1, ++i_;
        } else if (!braces(min, max)) {
            return atom;
        }
        if (!quantifiable) fault(L"nothing to repeat", quantifierAt);
        if (max < min) fault(L"numbers out of order in {}", quantifierAt);
        Node repeat{Node::Kind::Repeat};
        repeat.min = min;
        repeat.max = max;
        repeat.greedy = !at(L'?');
        if (!repeat.greedy) ++i_;
        repeat.groupsFrom = groupsBefore + 1;
        repeat.groupsTo = groups_ + 1;
        repeat.children.push_back(std::move(atom));
        return repeat;
    }

    // Reads {n}, {n,} or {n,m} at the current place, if one is there.
    bool braces(uint32_t& min, uint32_t& max) {
        size_t k = i_;
        if (k >= s_.size() || s_[k] != L'{') return false;
        ++k;
        const auto number = [&](uint32_t& value) {
            const size_t from = k;
            value = 0;
            while (k < s_.size() && s_[k] >= L'0' && s_[k] <= L'9') {
                value = static_cast<uint32_t>(std::min<uint64_t>(MAX_COUNT, uint64_t{value} * 10 + (s_[k] - L'0')));
                ++k;
            }
            return k > from;
        };
        if (!number(min)) return false;
        max = min;
        if (k < s_.size() && s_[k] == L',') {
            ++k;
            if (!number(max)) max = INFINITE;
        }
        if (k >= s_.size() || s_[k] != L'}') return false;
        i_ = k + 1;
        return true;
    }

    Node atom(bool& quantifiable) {
        const size_t start = i_;
        const wchar_t c = s_[i_++];
        switch (c) {
        case L'(': return group(start);
        case L'[': return characterClass();
        case L'.': return Node{Node::Kind::Any};
        case L'^':
            quantifiable = false;
            return assertion(Assertion::TextStart);
        case L'$':
            quantifiable = false;
            return assertion(Assertion::TextEnd);
        case L'*':
        case L'+':
        case L'?': fault(L"nothing to repeat", start);
        case L'{': {
            uint32_t min = 0;
            uint32_t max = 0;
            i_ = start;
            if (braces(min, max)) fault(L"nothing to repeat", start);
            ++i_;
            return literal(c);
        }
        case L'\\': return escape(quantifiable);
        default: return literal(c);
        }
    }

    Node literal(uint32_t c) const {
        Node node{Node::Kind::Char};
        node.value = fold_ != nullptr ? fold_->fold(c) : c;
        return node;
    }

    static Node assertion(Assertion kind) {
        Node node{Node::Kind::Assert};
        node.value = static_cast<uint32_t>(kind);
        return node;
    }

    Node group(size_t start) {
        bool capturing = true;
        if (at(L'?')) {
            const std::wstring_view rest = s_.substr(i_ + 1);
            if (rest.starts_with(L":")) {
                capturing = false;
                i_ += 2;
            } else if (rest.starts_with(L"=") || rest.starts_with(L"!") || rest.starts_with(L"<=") ||
                       rest.starts_with(L"<!")) {
                fault(L"lookahead and lookbehind are not supported");
            } else if (rest.starts_with(L"<")) {
                fault(L"named groups are not supported");
            } else {
                fault(L"invalid group", start);
            }
        }
        if (++depth_ > TextPattern::MAX_NESTING) fault(L"groups nest too deeply", start);
        Node node{Node::Kind::Group};
        if (capturing) node.value = ++groups_;
        node.children.push_back(alternation());
        if (!at(L')')) fault(L"missing )", s_.size());
        ++i_;
        --depth_;
        if (!capturing) return std::move(node.children.front());
        return node;
    }

    Node escape(bool& quantifiable) {
        if (i_ >= s_.size()) fault(L"\\ at the end");
        const wchar_t c = s_[i_];
        switch (c) {
        case L'b':
        case L'B':
            ++i_;
            quantifiable = false;
            return assertion(c == L'b' ? Assertion::WordBoundary : Assertion::NotWordBoundary);
        case L'd':
        case L'D':
        case L'w':
        case L'W':
        case L's':
        case L'S': {
            ++i_;
            CharClass set;
            addClassEscape(set.ranges, c);
            return classNode(std::move(set));
        }
        case L'k':
            if (i_ + 1 < s_.size() && s_[i_ + 1] == L'<') fault(L"backreferences are not supported");
            break;
        default:
            if (c >= L'1' && c <= L'9') fault(L"backreferences are not supported");
            break;
        }
        return literal(characterEscape());
    }

    static void addClassEscape(std::vector<Range>& ranges, wchar_t c) {
        switch (c) {
        case L'd': addRanges(ranges, DIGIT_RANGES, false); break;
        case L'D': addRanges(ranges, DIGIT_RANGES, true); break;
        case L'w': addRanges(ranges, WORD_RANGES, false); break;
        case L'W': addRanges(ranges, WORD_RANGES, true); break;
        case L's': addRanges(ranges, SPACE_RANGES, false); break;
        default: addRanges(ranges, SPACE_RANGES, true); break;
        }
    }

    // The character an escape stands for, the \ read already: its letter or number, or the
    // character itself.
    uint32_t characterEscape() {
        const wchar_t c = s_[i_++];
        switch (c) {
        case L't': return '\t';
        case L'n': return '\n';
        case L'r': return '\r';
        case L'v': return '\v';
        case L'f': return '\f';
        case L'0':
            if (at(L'0') || (i_ < s_.size() && s_[i_] >= L'1' && s_[i_] <= L'7')) return octal(0);
            return 0;
        case L'x':
        case L'u': {
            const size_t digits = c == L'x' ? 2 : 4;
            uint32_t value = 0;
            for (size_t k = 0; k < digits; ++k) {
                const int digit = i_ + k < s_.size() ? hexValue(s_[i_ + k]) : -1;
                if (digit < 0) return c;  // not a code: the letter itself
                value = value * 16 + static_cast<uint32_t>(digit);
            }
            i_ += digits;
            return value;
        }
        case L'c':
            if (i_ < s_.size() && ((s_[i_] >= L'a' && s_[i_] <= L'z') || (s_[i_] >= L'A' && s_[i_] <= L'Z'))) {
                return static_cast<uint32_t>(s_[i_++]) % 32;
            }
            --i_;  // a lone \c is a backslash, then the c
            return '\\';
        default:
            if (c >= L'1' && c <= L'7') return octal(static_cast<uint32_t>(c - L'0'));
            return static_cast<uint32_t>(c);
        }
    }

    // An octal code of up to three digits, up to 0377, its first digit read already.
    uint32_t octal(uint32_t value) {
        for (int k = 0; k < 2 && i_ < s_.size() && s_[i_] >= L'0' && s_[i_] <= L'7'; ++k) {
            const uint32_t next = value * 8 + static_cast<uint32_t>(s_[i_] - L'0');
            if (next > 0377) break;
            value = next;
            ++i_;
        }
        return value;
    }

    Node characterClass() {
        CharClass set;
        set.negated = at(L'^');
        if (set.negated) ++i_;
        while (!at(L']')) {
            const size_t from = i_;
            const ClassAtom first = classAtom();
            if (at(L'-') && i_ + 1 < s_.size() && s_[i_ + 1] != L']') {
                ++i_;
                const ClassAtom last = classAtom();
                if (!first.isSet && !last.isSet) {
                    if (first.ranges[0].first > last.ranges[0].first) fault(L"range out of order in []", from);
                    set.ranges.push_back({first.ranges[0].first, last.ranges[0].first});
                    continue;
                }
                // A class escape at either end makes the - a character of its own.
                set.ranges.push_back({'-', '-'});
                set.ranges.insert(set.ranges.end(), last.ranges.begin(), last.ranges.end());
            }
            set.ranges.insert(set.ranges.end(), first.ranges.begin(), first.ranges.end());
        }
        ++i_;
        return classNode(std::move(set));
    }

    // One character of a class, or the set of a class escape.
    struct ClassAtom {
        std::vector<Range> ranges;
        bool isSet = false;
    };
    ClassAtom classAtom() {
        if (i_ >= s_.size()) fault(L"missing ]", s_.size());
        ClassAtom atom;
        uint32_t code = static_cast<uint32_t>(s_[i_++]);
        if (code == '\\') {
            if (i_ >= s_.size()) fault(L"\\ at the end");
            const wchar_t c = s_[i_];
            if (std::wstring_view(L"dDwWsS").find(c) != std::wstring_view::npos) {
                ++i_;
                addClassEscape(atom.ranges, c);
                atom.isSet = true;
                return atom;
            }
            if (c == L'b' || c == L'-') {
                ++i_;
                code = c == L'b' ? '\b' : '-';
            } else {
                code = characterEscape();
            }
        }
        atom.ranges.push_back({code, code});
        return atom;
    }

    Node classNode(CharClass set) {
        normalize(set.ranges);
        if (fold_ != nullptr) fold_->foldRanges(set.ranges);
        set.finish();
        Node node{Node::Kind::Class};
        node.value = static_cast<uint32_t>(classes_.size());
        classes_.push_back(std::move(set));
        return node;
    }

    std::wstring_view s_;
    size_t i_ = 0;
    const FoldMap* fold_;
    std::vector<CharClass>& classes_;
    uint32_t groups_ = 0;
    size_t depth_ = 0;
};

enum class Op : uint8_t { Char, Any, Class, Match, Split, Jump, Save, Clear, Assert, Mark, Progress };

// One instruction. Char: x the character. Class: x the class. Split: go on at x, and less
// preferred at y. Jump: go on at x. Save: slot x takes the place. Clear: slots [x, y) take none.
// Assert: x the assertion. Mark: register x takes the place, or none when y is 1. Progress:
// only if the place is not register x's.
struct Instruction {
    Op op;
    uint32_t x = 0;
    uint32_t y = 0;
};

}  // namespace

struct TextPattern::Program {
    std::vector<Instruction> code;
    std::vector<CharClass> classes;
    uint32_t groups = 0;
    // A thread's registers: where the pass of a quantifier that may match empty began.
    uint32_t registers = 0;
    // Where a match can start, for skipping ahead without running the machine: every match
    // starts with prefix; failing that, with a character of the first set (the characters
    // below 128, and whether any other may). Neither when a match may be empty.
    std::wstring prefix;
    bool firstSetKnown = false;
    std::array<uint64_t, 2> firstAscii{};
    bool firstOther = false;
    bool anchoredStart = false;  // every match starts at the start of the text

    bool consumes(const Instruction& in, uint32_t c) const {
        switch (in.op) {
        case Op::Char: return c == in.x;
        case Op::Any: return !isLineBreak(c);
        default: return classes[in.x].contains(c);
        }
    }

    bool inFirstSet(uint32_t c) const { return c < 128 ? (firstAscii[c >> 6] >> (c & 63)) & 1 : firstOther; }

    // Whether a match could start at pos, by the prefix or the first set.
    bool mayStartAt(std::wstring_view text, size_t pos) const {
        if (!prefix.empty()) return text.substr(pos).starts_with(prefix);
        return !firstSetKnown || (pos < text.size() && inFirstSet(static_cast<uint32_t>(text[pos])));
    }

    // The first place at or after pos where a match could start, or npos.
    size_t nextCandidate(std::wstring_view text, size_t pos) const {
        if (!prefix.empty()) return text.find(prefix, pos);
        if (!firstSetKnown) return pos;
        for (; pos < text.size(); ++pos) {
            if (inFirstSet(static_cast<uint32_t>(text[pos]))) return pos;
        }
        return std::wstring_view::npos;
    }
};

namespace {

// Whether a node can match without consuming a character.
bool nullable(const Node& node) {
    switch (node.kind) {
    case Node::Kind::Char:
    case Node::Kind::Any:
    case Node::Kind::Class: return false;
    case Node::Kind::Group: return nullable(node.children.front());
    case Node::Kind::Concat:
        return std::all_of(node.children.begin(), node.children.end(), [](const Node& n) { return nullable(n); });
    case Node::Kind::Alternate:
        return std::any_of(node.children.begin(), node.children.end(), [](const Node& n) { return nullable(n); });
    case Node::Kind::Repeat: return node.min == 0 || nullable(node.children.front());
    default: return true;
    }
}

class Compiler {
public:
    explicit Compiler(TextPattern::Program& program) : program_(program), code_(program.code) {}

    void compile(const Node& root) {
        push({Op::Save, 0});
        emit(root);
        push({Op::Save, 1});
        push({Op::Match});
    }

private:
    uint32_t here() const { return static_cast<uint32_t>(code_.size()); }

    uint32_t push(Instruction in) {
        if (code_.size() >= TextPattern::MAX_PROGRAM_SIZE) fault(L"the pattern is too large");
        code_.push_back(in);
        return here() - 1;
    }

    void emit(const Node& node) {
        switch (node.kind) {
        case Node::Kind::Empty: break;
        case Node::Kind::Char: push({Op::Char, node.value}); break;
        case Node::Kind::Any: push({Op::Any}); break;
        case Node::Kind::Class: push({Op::Class, node.value}); break;
        case Node::Kind::Assert: push({Op::Assert, node.value}); break;
        case Node::Kind::Group:
            push({Op::Save, node.value * 2});
            emit(node.children.front());
            push({Op::Save, node.value * 2 + 1});
            break;
        case Node::Kind::Concat:
            for (const Node& child : node.children) emit(child);
            break;
        case Node::Kind::Alternate: alternate(node); break;
        case Node::Kind::Repeat: repeat(node); break;
        }
    }

    void alternate(const Node& node) {
        std::vector<uint32_t> jumps;
        for (size_t k = 0; k + 1 < node.children.size(); ++k) {
            const uint32_t split = push({Op::Split});
            code_[split].x = here();
            emit(node.children[k]);
            jumps.push_back(push({Op::Jump}));
            code_[split].y = here();
        }
        emit(node.children.back());
        for (const uint32_t jump : jumps) code_[jump].x = here();
    }

    // A split that prefers the body at body, or the way on at next for a lazy quantifier.
    void preferring(uint32_t split, bool greedy, uint32_t body, uint32_t next) {
        code_[split].x = greedy ? body : next;
        code_[split].y = greedy ? next : body;
    }

    // One pass through a quantifier's body; as in ECMAScript, each pass forgets what the
    // groups inside caught in the pass before. With a register, the pass must not be empty:
    // ECMAScript refuses an empty pass beyond the quantifier's minimum. Returns the
    // instructions the body took.
    size_t pass(const Node& node, std::optional<uint32_t> reg) {
        if (reg) push({Op::Mark, *reg});
        if (node.groupsTo > node.groupsFrom) push({Op::Clear, node.groupsFrom * 2, node.groupsTo * 2});
        const size_t before = code_.size();
        emit(node.children.front());
        const size_t size = code_.size() - before;
        if (reg) push({Op::Progress, *reg});
        return size;
    }

    void repeat(const Node& node) {
        // The passes up to the minimum, then the optional ones or the loop. A body that takes
        // no instruction is the same however often it is repeated.
        std::optional<uint32_t> reg;
        if (nullable(node.children.front())) reg = program_.registers++;
        const bool loop = node.max == INFINITE;
        // A loop whose passes cannot be empty takes the last of the minimum passes into
        // itself. One whose passes can is entered after all of them: the register of a pass
        // at the loop's instructions must be one the loop set.
        const uint32_t fixed = loop && node.min > 0 && !reg ? node.min - 1 : node.min;
        for (uint32_t k = 0; k < fixed; ++k) {
            const size_t size = pass(node, std::nullopt);
            if (size == 0) return;
            if ((fixed - k - 1) > (TextPattern::MAX_PROGRAM_SIZE - code_.size()) / size) {
                fault(L"the pattern is too large");
            }
        }
        if (loop && fixed < node.min) {
            const uint32_t body = here();
            pass(node, std::nullopt);
            const uint32_t split = push({Op::Split});
            preferring(split, node.greedy, body, here());
        } else if (loop) {
            const uint32_t split = push({Op::Split});
            pass(node, reg);
            push({Op::Jump, split});
            preferring(split, node.greedy, split + 1, here());
        } else {
            std::vector<uint32_t> splits;
            for (uint32_t k = node.min; k < node.max; ++k) {
                splits.push_back(push({Op::Split}));
                if (pass(node, reg) == 0) break;
            }
            for (const uint32_t split : splits) preferring(split, node.greedy, split + 1, here());
        }
    }

    TextPattern::Program& program_;
    std::vector<Instruction>& code_;
};

}  // namespace

// The working memory of a search, kept from one search to the next.
struct TextPattern::Scratch {
    // The threads at one place in the text.
    struct ThreadList {
        std::vector<uint32_t> sparse;   // instruction -> its index in visited, if it is there
        std::vector<uint32_t> visited;  // the instructions reached at this place
        std::vector<uint32_t> threads;  // those that consume or match, the preferred first
        std::vector<size_t> slots;      // each thread's slots (see Machine)

        void clear() {
            visited.clear();
            threads.clear();
            slots.clear();
        }
        bool insert(uint32_t pc) {
            const uint32_t k = sparse[pc];
            if (k < visited.size() && visited[k] == pc) return false;
            sparse[pc] = static_cast<uint32_t>(visited.size());
            visited.push_back(pc);
            return true;
        }
    };
    // Work left for following the ways from an instruction: an instruction to go on at, or a
    // slot to put back as it was.
    struct Frame {
        uint32_t index;
        bool restore;
        size_t value;
    };

    explicit Scratch(size_t programSize) {
        for (ThreadList* list : {&a, &b}) {
            list->sparse.assign(programSize, 0);
            list->visited.reserve(programSize);
            list->threads.reserve(programSize);
        }
    }

    ThreadList a;
    ThreadList b;
    std::vector<Frame> stack;
    std::vector<size_t> start;  // the slots a new thread starts with: none
};

namespace {

// One search: the Pike VM over the text.
class Machine {
public:
    using Scratch = TextPattern::Scratch;
    using ThreadList = Scratch::ThreadList;

    // A thread's slots are captureSlots bounds of groups, then the program's registers.
    Machine(const TextPattern::Program& p, Scratch& scratch, std::wstring_view text, size_t captureSlots)
        : p_(p), scratch_(scratch), text_(text), captureSlots_(captureSlots), slotCount_(captureSlots + p.registers) {}

    uint64_t steps() const { return steps_; }

    // Runs from `from`; see TextPattern::run. False also when the search passed limit steps.
    bool run(size_t from, TextPattern::Extent extent, std::vector<size_t>* found, uint64_t limit) {
        const bool whole = extent == TextPattern::Extent::Whole;
        const bool anchored = whole || p_.anchoredStart;
        const size_t n = text_.size();
        ThreadList* current = &scratch_.a;
        ThreadList* next = &scratch_.b;
        current->clear();
        scratch_.start.assign(slotCount_, NONE);
        bool matched = false;
        if (anchored && !p_.mayStartAt(text_, from)) return false;
        for (size_t pos = from;; ++pos) {
            if (!matched && (pos == from || !anchored)) {
                if (current->threads.empty()) {
                    // Nothing under way: on to where a match could start.
                    current->clear();
                    if (!anchored) pos = p_.nextCandidate(text_, pos);
                    if (pos == std::wstring_view::npos) break;
                }
                follow(*current, 0, pos, scratch_.start.data());
            }
            if (current->threads.empty()) {
                if (matched || anchored || pos >= n) break;
                continue;
            }
            if (steps_ > limit) return false;
            next->clear();
            const uint32_t c = pos < n ? static_cast<uint32_t>(text_[pos]) : 0;
            for (size_t t = 0; t < current->threads.size(); ++t) {
                const uint32_t pc = current->threads[t];
                const Instruction& in = p_.code[pc];
                size_t* slots = current->slots.data() + t * slotCount_;
                ++steps_;
                if (in.op == Op::Match) {
                    if (whole && pos != n) continue;
                    matched = true;
                    if (found == nullptr) return true;  // any match will do
                    found->assign(slots, slots + captureSlots_);
                    break;  // the threads after this one are less preferred
                }
                if (pos < n && p_.consumes(in, c)) follow(*next, pc + 1, pos + 1, slots);
            }
            std::swap(current, next);
            if (pos >= n) break;
        }
        return matched;
    }

private:
    bool holds(Assertion kind, size_t pos) const {
        switch (kind) {
        case Assertion::TextStart: return pos == 0;
        case Assertion::TextEnd: return pos == text_.size();
        default: {
            const bool before = pos > 0 && isWordChar(static_cast<uint32_t>(text_[pos - 1]));
            const bool after = pos < text_.size() && isWordChar(static_cast<uint32_t>(text_[pos]));
            return (before != after) == (kind == Assertion::WordBoundary);
        }
        }
    }

    // Adds to list the threads that the thread at pc reaches at pos without consuming, in order
    // of preference; slots are the thread's, changed on the way and put back after.
    void follow(ThreadList& list, uint32_t from, size_t pos, size_t* slots) {
        auto& stack = scratch_.stack;
        stack.clear();
        uint32_t pc = from;
        while (true) {
            while (list.insert(pc)) {
                ++steps_;
                const Instruction& in = p_.code[pc];
                switch (in.op) {
                case Op::Jump: pc = in.x; continue;
                case Op::Split:
                    stack.push_back({in.y, false, 0});
                    pc = in.x;
                    continue;
                case Op::Save:
                    if (in.x < captureSlots_) {
                        stack.push_back({in.x, true, slots[in.x]});
                        slots[in.x] = pos;
                    }
                    ++pc;
                    continue;
                case Op::Clear:
                    for (uint32_t k = in.x; k < in.y && k < captureSlots_; ++k) {
                        if (slots[k] == NONE) continue;
                        stack.push_back({k, true, slots[k]});
                        slots[k] = NONE;
                        ++steps_;
                    }
                    ++pc;
                    continue;
                case Op::Mark: {
                    const uint32_t k = static_cast<uint32_t>(captureSlots_) + in.x;
                    stack.push_back({k, true, slots[k]});
                    slots[k] = in.y == 1 ? NONE : pos;
                    ++pc;
                    continue;
                }
                case Op::Progress:
                    if (slots[captureSlots_ + in.x] != pos) {
                        ++pc;
                        continue;
                    }
                    break;
                case Op::Assert:
                    if (holds(static_cast<Assertion>(in.x), pos)) {
                        ++pc;
                        continue;
                    }
                    break;
                default:
                    list.threads.push_back(pc);
                    if (slotCount_ > 0) {
                        list.slots.insert(list.slots.end(), slots, slots + slotCount_);
                        steps_ += slotCount_ / 8;
                    }
                    break;
                }
                break;
            }
            // On with the next way left, putting back the slots changed since it was left.
            while (true) {
                if (stack.empty()) return;
                const Scratch::Frame frame = stack.back();
                stack.pop_back();
                if (!frame.restore) {
                    pc = frame.index;
                    break;
                }
                slots[frame.index] = frame.value;
            }
        }
    }

    const TextPattern::Program& p_;
    Scratch& scratch_;
    std::wstring_view text_;
    size_t captureSlots_;
    size_t slotCount_;
    uint64_t steps_ = 0;
};

// What can begin a match, worked out from the program's start (see Program).
void findStarts(TextPattern::Program& p) {
    // The literal prefix: the characters on the one way from the start.
    uint32_t pc = 0;
    while (true) {
        const Instruction& in = p.code[pc];
        if (in.op == Op::Save || in.op == Op::Clear || in.op == Op::Mark) {
            ++pc;
        } else if (in.op == Op::Char) {
            p.prefix.push_back(static_cast<wchar_t>(in.x));
            ++pc;
        } else {
            if (in.op == Op::Assert && in.x == static_cast<uint32_t>(Assertion::TextStart) && p.prefix.empty()) {
                p.anchoredStart = true;
            }
            break;
        }
    }
    if (!p.prefix.empty()) return;

    // The first set: every consuming instruction reachable from the start without consuming.
    std::vector<bool> seen(p.code.size());
    std::vector<uint32_t> stack{0};
    std::array<uint64_t, 2> ascii{};
    bool other = false;
    const auto add = [&](uint32_t c) {
        if (c < 128) {
            ascii[c >> 6] |= uint64_t{1} << (c & 63);
        } else {
            other = true;
        }
    };
    while (!stack.empty()) {
        const uint32_t at = stack.back();
        stack.pop_back();
        if (seen[at]) continue;
        seen[at] = true;
        const Instruction& in = p.code[at];
        switch (in.op) {
        case Op::Match: return;  // a match may be empty
        case Op::Jump: stack.push_back(in.x); break;
        case Op::Split:
            stack.push_back(in.x);
            stack.push_back(in.y);
            break;
        case Op::Save:
        case Op::Clear:
        case Op::Mark:
        case Op::Progress:
        case Op::Assert: stack.push_back(at + 1); break;
        case Op::Char: add(in.x); break;
        case Op::Any:
        case Op::Class:
            for (uint32_t c = 0; c < 128; ++c) {
                if (p.consumes(in, c)) add(c);
            }
            other = other || in.op == Op::Any || p.classes[in.x].negated ||
                    (!p.classes[in.x].ranges.empty() && p.classes[in.x].ranges.back().second >= 128);
            break;
        }
    }
    if (ascii[0] == ~uint64_t{0} && ascii[1] == ~uint64_t{0}) return;  // anything may start a match
    p.firstSetKnown = true;
    p.firstAscii = ascii;
    p.firstOther = other;
}

}  // namespace

TextPattern::TextPattern(std::wstring_view pattern, const CaseFolder& fold) {
    auto program = std::make_shared<Program>();
    try {
        std::optional<FoldMap> folding;
        if (fold) folding.emplace(fold);
        Parser parser(pattern, folding ? &*folding : nullptr, program->classes);
        const Node root = parser.parse();
        program->groups = parser.groupCount();
        Compiler(*program).compile(root);
        findStarts(*program);
        program_ = std::move(program);
    } catch (const PatternFault& f) {
        error_ = f.text;
    }
}

TextPattern::TextPattern(const TextPattern& other) : program_(other.program_), error_(other.error_) {}

TextPattern& TextPattern::operator=(const TextPattern& other) {
    program_ = other.program_;
    scratch_.reset();
    error_ = other.error_;
    return *this;
}

TextPattern::TextPattern(TextPattern&& other) noexcept = default;
TextPattern& TextPattern::operator=(TextPattern&& other) noexcept = default;
TextPattern::~TextPattern() = default;

size_t TextPattern::groupCount() const { return program_ ? program_->groups : 0; }

bool TextPattern::test(std::wstring_view text, Extent extent, MatchBudget& budget) const {
    return run(text, 0, extent, 0, nullptr, budget);
}

std::optional<PatternMatch> TextPattern::find(std::wstring_view text, size_t from, Extent extent, size_t groups,
                                              MatchBudget& budget) const {
    PatternMatch match;
    const size_t captureSlots = 2 * (std::min(groups, groupCount()) + 1);
    if (!run(text, extent == Extent::Whole ? 0 : from, extent, captureSlots, &match.bounds, budget)) {
        return std::nullopt;
    }
    match.bounds.resize(2 * (groups + 1), NONE);
    return match;
}

bool TextPattern::run(std::wstring_view text, size_t from, Extent extent, size_t captureSlots,
                      std::vector<size_t>* found, MatchBudget& budget) const {
    if (!program_ || budget.exhausted_ || from > text.size()) return false;
    if (!scratch_) scratch_ = std::make_unique<Scratch>(program_->code.size());
    Machine machine(*program_, *scratch_, text, captureSlots);
    const bool matched = machine.run(from, extent, found, budget.left_);
    if (machine.steps() > budget.left_) {
        budget.left_ = 0;
        budget.exhausted_ = true;
        return false;
    }
    budget.left_ -= machine.steps();
    return matched;
}

namespace {

// The group a $ form at replacement[k] (the character after the $) names, with the digits it
// takes; none when it names none.
std::optional<std::pair<size_t, size_t>> groupForm(std::wstring_view replacement, size_t k, size_t groupCount) {
    const auto digit = [&](size_t at) -> int {
        return at < replacement.size() && replacement[at] >= L'0' && replacement[at] <= L'9' ? replacement[at] - L'0' : -1;
    };
    const int first = digit(k);
    if (first < 0) return std::nullopt;
    const int second = digit(k + 1);
    if (second >= 0) {
        const size_t two = static_cast<size_t>(first * 10 + second);
        if (two >= 1 && two <= groupCount) return std::pair<size_t, size_t>{two, 2};
    }
    if (first >= 1 && static_cast<size_t>(first) <= groupCount) return std::pair<size_t, size_t>{first, 1};
    return std::nullopt;
}

}  // namespace

std::wstring substitutedReplacement(std::wstring_view replacement, std::wstring_view text, const PatternMatch& match,
                                    size_t groupCount) {
    std::wstring out;
    const auto span = [&](size_t group) {
        const size_t from = 2 * group < match.bounds.size() ? match.bounds[2 * group] : NONE;
        const size_t to = 2 * group + 1 < match.bounds.size() ? match.bounds[2 * group + 1] : NONE;
        if (from != NONE && to != NONE) out.append(text.substr(from, to - from));
    };
    for (size_t k = 0; k < replacement.size(); ++k) {
        const wchar_t c = replacement[k];
        if (c != L'$' || k + 1 >= replacement.size()) {
            out.push_back(c);
            continue;
        }
        const wchar_t form = replacement[k + 1];
        if (form == L'$') {
            out.push_back(L'$');
        } else if (form == L'&') {
            span(0);
        } else if (form == L'`') {
            out.append(text.substr(0, match.start()));
        } else if (form == L'\'') {
            out.append(text.substr(match.end()));
        } else if (const auto group = groupForm(replacement, k + 1, groupCount)) {
            span(group->first);
            k += group->second;
            continue;
        } else {
            out.push_back(c);
            continue;
        }
        ++k;
    }
    return out;
}

size_t groupsReferenced(std::wstring_view replacement, size_t groupCount) {
    size_t highest = 0;
    for (size_t k = 0; k + 1 < replacement.size(); ++k) {
        if (replacement[k] != L'$') continue;
        if (replacement[k + 1] == L'$') {
            ++k;
        } else if (const auto group = groupForm(replacement, k + 1, groupCount)) {
            highest = std::max(highest, group->first);
            k += group->second;
        }
    }
    return highest;
}
