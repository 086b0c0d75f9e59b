#pragma once

#include <cstddef>

// SK_FUNCTION: the calling function's qualified name without namespaces, return type or
// parameters ("CHttpDownload::CheckParam"), worked out by the compiler.
namespace sklog::detail {

template <typename Char, size_t N> struct FixedName
{
    Char text[N] = {};
};

struct NameRange
{
    size_t begin = 0;
    size_t end = 0;
};

constexpr bool MatchesAt(const char* text, size_t length, size_t pos, const char* word)
{
    for (size_t i = 0; word[i]; ++i) {
        if (pos + i >= length || text[pos + i] != word[i])
            return false;
    }
    return true;
}

constexpr size_t Length(const char* word)
{
    size_t n = 0;
    while (word[n])
        ++n;
    return n;
}

// How compilers name an anonymous namespace inside a signature.
inline constexpr const char* kAnonymousMarkers[] = {"(anonymous namespace)", "{anonymous}"};

constexpr size_t MarkerAt(const char* text, size_t length, size_t pos)
{
    for (const char* marker : kAnonymousMarkers) {
        if (MatchesAt(text, length, pos, marker))
            return Length(marker);
    }
    return 0;
}

// The range of "Class::Method" inside a pretty function signature such as
// "virtual bool ns::CFoo::Bar(int) const" or "CFoo::Bar()::<lambda()>" (lambdas log their enclosing
// function); a function in an anonymous namespace gives its own name alone.
constexpr NameRange FindQualifiedName(const char* signature, size_t length)
{
    size_t open = 0;
    int depth = 0;
    while (open < length) {
        const char c = signature[open];
        if (const size_t marker = MarkerAt(signature, length, open)) {
            open += marker;
            continue;
        }
        if (c == '<')
            ++depth;
        else if (c == '>')
            --depth;
        else if (c == '(' && depth == 0)
            break;
        ++open;
    }
    size_t begin = open;
    depth = 0;
    while (begin > 0) {
        const char c = signature[begin - 1];
        bool jumped = false;
        for (const char* marker : kAnonymousMarkers) {
            const size_t n = Length(marker);
            if (begin >= n && MatchesAt(signature, length, begin - n, marker)) {
                begin -= n;
                jumped = true;
                break;
            }
        }
        if (jumped)
            continue;
        if (c == '>')
            ++depth;
        else if (c == '<')
            --depth;
        else if (c == ' ' && depth == 0)
            break;
        --begin;
    }
    // Keep the last two components: the class and the method.
    size_t start = begin;
    int separators = 0;
    depth = 0;
    for (size_t i = open; i > begin + 1; --i) {
        const char c = signature[i - 1];
        if (c == '>')
            ++depth;
        else if (c == '<')
            --depth;
        else if (c == ':' && signature[i - 2] == ':' && depth == 0) {
            if (++separators == 2) {
                start = i;
                break;
            }
            --i;
        }
    }
    if (const size_t marker = MarkerAt(signature, length, start);
        marker && MatchesAt(signature, length, start + marker, "::"))
        start += marker + 2;
    return {start, open};
}

template <typename Char, size_t N> consteval auto MakeFunctionName(const char (&signature)[N])
{
    const NameRange range = FindQualifiedName(signature, N - 1);
    FixedName<Char, N> name;
    for (size_t i = range.begin; i < range.end; ++i)
        name.text[i - range.begin] = static_cast<Char>(signature[i]);
    return name;
}

} // namespace sklog::detail

#define SK_FUNCTION_AS_(Char)                                                                                \
    ([]() -> const Char* {                                                                                   \
        static constexpr auto kName = ::sklog::detail::MakeFunctionName<Char>(__PRETTY_FUNCTION__);          \
        return kName.text;                                                                                   \
    }())
#define SK_FUNCTION SK_FUNCTION_AS_(char)
#define SK_FUNCTIONW SK_FUNCTION_AS_(wchar_t)
