// The name of the log a setup writes when none is asked for.
#include <gtest/gtest.h>

#include "DefaultLog.h"

namespace {

TEST(DefaultLog, NamedAfterTheProductSafelyAndTheTime) {
    const SYSTEMTIME time{2026, 12, 2, 8, 21, 5, 9, 0};
    const struct {
        WString product;
        WString name;
    } rows[] = {
        {L"Tarnell Sample", L"Tarnell Sample_20261208210509.log"},
        {L"A<b>:c\"d/e\\f|g?h*i\tj", L"A_b__c_d_e_f_g_h_i_j_20261208210509.log"},
        {L"  App 2.0. ", L"App 2.0_20261208210509.log"},
        {L"", L"Setup_20261208210509.log"},
        {L"...", L"Setup_20261208210509.log"},
        {WString(70, L'x'), WString(64, L'x') + L"_20261208210509.log"},
        // A pair cut in half would not be a name Windows takes.
        {WString(63, L'x') + L"\U0001F600", WString(63, L'x') + L"_20261208210509.log"},
        {L"שלום עולם", L"שלום עולם_20261208210509.log"},
    };
    for (const auto& row : rows) {
        EXPECT_EQ(defaultLogName(row.product, time), row.name) << row.product;
    }
}

} // namespace
