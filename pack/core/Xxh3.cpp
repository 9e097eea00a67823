#include "Xxh3.h"

#include <new>

#define XXH_INLINE_ALL
#include <xxhash.h>

namespace pack {
namespace {

static_assert(sizeof(XXH3_state_t) <= sizeof(Xxh3) && alignof(XXH3_state_t) <= 64, "xxHash's state does not fit");

} // namespace

Xxh3::Xxh3() {
    XXH3_64bits_reset(new (state) XXH3_state_t);
}

void Xxh3::add(std::span<const std::byte> bytes) {
    XXH3_64bits_update(std::launder(reinterpret_cast<XXH3_state_t*>(state)), bytes.data(), bytes.size());
}

uint64_t Xxh3::digest() const {
    return XXH3_64bits_digest(std::launder(reinterpret_cast<const XXH3_state_t*>(state)));
}

} // namespace pack
