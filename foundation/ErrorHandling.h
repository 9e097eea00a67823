#pragma once

#include <stdexcept>
#include <string>

#include "SourcePosition.h"
#include "tstrings.h"

// Catchable base of every exception the system raises; gives the text an
// error was raised with, without the position that its full text adds.
class AppErrorBase {
public:
    virtual const char* plainMessage() const = 0;

protected:
    ~AppErrorBase() = default;
};

std::string positionedText(const SourcePosition& pos, const char* what);

template <class Base>
class AppError : public AppErrorBase, public Base {
public:
    AppError(const Base& base, const SourcePosition& pos)
        : Base(base), message(positionedText(pos, base.what())) {}

    const char* what() const noexcept override { return message.c_str(); }
    const char* plainMessage() const override { return Base::what(); }

private:
    std::string message;
};

AppError<std::runtime_error> makeRuntimeError(const std::string& text, const SourcePosition& pos);
AppError<std::runtime_error> makeRuntimeError(const char* text, const SourcePosition& pos);
AppError<std::runtime_error> makeRuntimeError(const tstrings::MessageBuilder& text, const SourcePosition& pos);

[[noreturn]] void throwRuntimeError(const SourcePosition& pos, const tstrings::MessageBuilder& text);

std::string joinErrorTexts(const std::string& first, const std::string& second);

void reportError(const SourcePosition& pos, const std::exception& e);
void reportUnknownError(const SourcePosition& pos);

std::string crtErrorText();

// Raises AppError<std::runtime_error> with a text composed from stream insertions.
#define THROW_RUNTIME_ERROR(msg) throwRuntimeError(SOURCE_POSITION, tstrings::MessageBuilder() << msg)

// Ends a try block at a place that must not let exceptions out: logs what it caught at ERROR.
#define CATCH_AND_REPORT                                                                           \
    catch (const std::runtime_error& tarnell_error_) {                                            \
        reportError(SOURCE_POSITION, tarnell_error_);                                              \
    }                                                                                              \
    catch (...) {                                                                                  \
        reportUnknownError(SOURCE_POSITION);                                                       \
    }
