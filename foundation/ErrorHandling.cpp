#include "ErrorHandling.h"

#include <cctype>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>

#include "Log.h"

namespace {

const char* baseName(const char* path) {
    const char* name = path;
    for (const char* c = path; *c; ++c) {
        if (*c == '\\' || *c == '/') {
            name = c + 1;
        }
    }
    return name;
}

bool isBlank(char c) { return std::isspace(static_cast<unsigned char>(c)) != 0; }

} // namespace

std::string positionedText(const SourcePosition& pos, const char* what) {
    return tstrings::toUtf8(tstrings::fromUtf8(baseName(pos.file))) + "(" + std::to_string(pos.line) + ") at " +
           pos.function + "(): " + what;
}

AppError<std::runtime_error> makeRuntimeError(const std::string& text, const SourcePosition& pos) {
    return AppError<std::runtime_error>(std::runtime_error(text), pos);
}

AppError<std::runtime_error> makeRuntimeError(const char* text, const SourcePosition& pos) {
    return makeRuntimeError(std::string(text), pos);
}

AppError<std::runtime_error> makeRuntimeError(const tstrings::MessageBuilder& text, const SourcePosition& pos) {
    return makeRuntimeError(text.utf8(), pos);
}

void throwRuntimeError(const SourcePosition& pos, const tstrings::MessageBuilder& text) {
    throw makeRuntimeError(text, pos);
}

std::string joinErrorTexts(const std::string& first, const std::string& second) {
    size_t firstEnd = first.size();
    while (firstEnd > 0 && isBlank(first[firstEnd - 1])) {
        --firstEnd;
    }
    std::string result = first.substr(0, firstEnd);
    size_t separatorLength = 0;
    if (!result.empty()) {
        separatorLength = std::strchr(";.,:!?", result.back()) != nullptr ? 1 : 2;
        result += separatorLength == 1 ? " " : ". ";
    }

    size_t secondBegin = 0;
    size_t secondEnd = second.size();
    while (secondBegin < secondEnd && isBlank(second[secondBegin])) {
        ++secondBegin;
    }
    while (secondEnd > secondBegin && isBlank(second[secondEnd - 1])) {
        --secondEnd;
    }
    if (secondBegin == secondEnd) {
        result.resize(result.size() - separatorLength);
        return result;
    }
    return result + second.substr(secondBegin, secondEnd - secondBegin);
}

void reportError(const SourcePosition& pos, const std::exception& e) {
    tstrings::MessageBuilder text;
    text << "Exception with message '" << e.what() << "' caught";
    Logger::global().log(Logger::Error, pos, text.str());
}

void reportUnknownError(const SourcePosition& pos) {
    Logger::global().log(Logger::Error, pos, L"Unknown exception caught");
}

std::string crtErrorText() {
    wchar_t buffer[2048];
    if (_wcserror_s(buffer, std::size(buffer), errno) != 0) {
        return {};
    }
    return tstrings::toUtf8(buffer);
}

// std::terminate's last words, in place of libstdc++'s own handler of this name:
// that one names the exception's type through the C++ demangler, which brings
// the demangler and the C runtime's whole printf, a fifth of the launcher, into
// every setup program. This one says the same without the type. It is defined
// here because the linker must meet it before it searches libstdc++, and every
// program that raises links this file.
namespace __gnu_cxx {

void __verbose_terminate_handler() {
    std::fputs("terminate called", stderr);
    if (const std::exception_ptr current = std::current_exception()) {
        std::fputs(" after throwing an exception", stderr);
        try {
            std::rethrow_exception(current);
        } catch (const std::exception& e) {
            std::fputs("\n  what():  ", stderr);
            std::fputs(e.what(), stderr);
        } catch (...) {
        }
    } else {
        std::fputs(" without an active exception", stderr);
    }
    std::fputs("\n", stderr);
    std::abort();
}

} // namespace __gnu_cxx
