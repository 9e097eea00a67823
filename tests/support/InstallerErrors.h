#pragma once

#include <gtest/gtest.h>

#include <functional>
#include <string>
#include <utility>

#include "MsiUtils.h"

// Runs call, which must raise AppError<msi::Error>; gives the error's status and plain text.
inline std::pair<UINT, std::string> installerErrorOf(const std::function<void()>& call) {
    try {
        call();
    } catch (const AppError<msi::Error>& e) {
        return {e.getStatus(), e.plainMessage()};
    }
    ADD_FAILURE() << "nothing raised";
    return {};
}
