#pragma once

#include <array>
#include <cstddef>
#include <string_view>

// The file, function and line of a raise or log site.
struct SourcePosition {
    const char* file;
    const char* function;
    int line;
};

namespace source_position_detail {

// Turns what GCC spells as __PRETTY_FUNCTION__, for example
//   "WString SysInfo::{anonymous}::getModulePath(HMODULE)",
// into the qualified name alone: "SysInfo::`anonymous-namespace'::getModulePath".
// Template parameters are replaced by their arguments from the "[with ...]" tail.
// Writes into out, or only counts when out is null.
struct NameWriter {
    char* out = nullptr;
    size_t size = 0;

    constexpr void append(std::string_view s) {
        for (char c : s) {
            if (out != nullptr) {
                out[size] = c;
            }
            ++size;
        }
    }
};

constexpr size_t findParameterListStart(std::string_view s) {
    // s ends with the parameter list's ')'; walk back to its '('.
    int depth = 0;
    for (size_t i = s.size(); i-- > 0;) {
        if (s[i] == ')') {
            ++depth;
        } else if (s[i] == '(' && --depth == 0) {
            return i;
        }
    }
    return 0;
}

constexpr size_t findNameStart(std::string_view s) {
    int depth = 0;
    for (size_t i = s.size(); i-- > 0;) {
        const char c = s[i];
        if (c == '>' || c == ')') {
            ++depth;
        } else if (c == '<' || c == '(') {
            --depth;
        } else if (c == ' ' && depth == 0) {
            // "operator WString" is one name.
            if (s.substr(0, i).ends_with("operator")) {
                continue;
            }
            return i + 1;
        }
    }
    return 0;
}

constexpr std::string_view withoutQualifiers(std::string_view s) {
    for (std::string_view q : {" const", " volatile", " &&", " &", " noexcept"}) {
        if (s.ends_with(q)) {
            return withoutQualifiers(s.substr(0, s.size() - q.size()));
        }
    }
    return s;
}

// The argument bound to a template parameter in a "[with T = X; U = Y]" tail.
constexpr std::string_view boundArgument(std::string_view with, std::string_view parameter) {
    size_t pos = 0;
    while (pos < with.size()) {
        size_t end = with.find("; ", pos);
        if (end == std::string_view::npos) {
            end = with.size();
        }
        const std::string_view binding = with.substr(pos, end - pos);
        const size_t eq = binding.find(" = ");
        if (eq != std::string_view::npos && binding.substr(0, eq) == parameter) {
            return binding.substr(eq + 3);
        }
        pos = end + 2;
    }
    return {};
}

constexpr bool isIdentifierChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_';
}

// Spells the unnamed namespace the way positions print it.
constexpr void appendSpelled(std::string_view s, NameWriter& result) {
    constexpr std::string_view anonymous = "{anonymous}";
    for (size_t pos = s.find(anonymous); pos != std::string_view::npos; pos = s.find(anonymous)) {
        result.append(s.substr(0, pos));
        result.append("`anonymous-namespace'");
        s = s.substr(pos + anonymous.size());
    }
    result.append(s);
}

constexpr void render(std::string_view s, NameWriter& result) {
    std::string_view with;
    if (const size_t w = s.find(" [with "); w != std::string_view::npos && s.ends_with("]")) {
        with = s.substr(w + 7, s.size() - w - 8);
        s = s.substr(0, w);
    }
    s = withoutQualifiers(s);
    if (s.ends_with(")")) {
        s = s.substr(0, findParameterListStart(s));
    }
    s = s.substr(findNameStart(s));

    constexpr std::string_view anonymous = "{anonymous}";
    for (size_t i = 0; i < s.size();) {
        size_t end = s.substr(i).starts_with(anonymous) ? i + anonymous.size() : i;
        while (end < s.size() && isIdentifierChar(s[end])) {
            ++end;
        }
        if (end == i) {
            result.append(s.substr(i, 1));
            ++i;
            continue;
        }
        const std::string_view word = s.substr(i, end - i);
        const std::string_view bound = with.empty() ? std::string_view{} : boundArgument(with, word);
        appendSpelled(bound.empty() ? word : bound, result);
        i = end;
    }
}

constexpr size_t nameLength(std::string_view pretty) {
    NameWriter counter;
    render(pretty, counter);
    return counter.size;
}

template <size_t Length>
constexpr std::array<char, Length + 1> qualifiedName(std::string_view pretty) {
    std::array<char, Length + 1> name{};
    NameWriter writer{name.data()};
    render(pretty, writer);
    return name;
}

} // namespace source_position_detail

// The position of the statement it stands in. The enclosing function's
// qualified name is computed at compile time and kept in static storage.
#define SOURCE_POSITION                                                                            \
    ({                                                                                             \
        static constexpr auto tarnell_function_name_ =                                             \
            source_position_detail::qualifiedName<source_position_detail::nameLength(             \
                __PRETTY_FUNCTION__)>(__PRETTY_FUNCTION__);                                        \
        SourcePosition{__FILE__, tarnell_function_name_.data(), __LINE__};                        \
    })
