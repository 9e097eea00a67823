#pragma once

#include <gtest/gtest.h>

#include "Guid.h"
#include "MsiUtils.h"

// A test that installs a product: it starts and ends with the product removed,
// so a run that failed half-way leaves nothing behind for the next one.
class ProductTest : public testing::Test {
protected:
    explicit ProductTest(const char* productCode) : product(std::string(productCode)) {}

    void SetUp() override { removeProduct(); }
    void TearDown() override { removeProduct(); }

    const Guid product;

private:
    void removeProduct() {
        if (msi::isProductInstalled(product)) {
            msi::action<msi::uninstall>(msi::uninstall().productCode(product))(std::nothrow);
        }
    }
};
