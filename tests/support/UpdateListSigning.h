// Update lists signed the way outside/renovo/make-update-list.sh signs them, for tests that
// publish lists: with the project's test key, or with a stranger's.
#pragma once

#include <string>

#include "outside/renovo/ListSignature.h"

namespace velto::test {

// The test key's public half, as Renovo.dll holds a key it trusts.
renovo::PublicKey TestPublicKey();
// `body` followed by its signature line, made with the test key.
std::string SignedWithTestKey(const std::string& body);
// `body` signed with a key made for this call. With `claimTestKeyId` the line names the test
// key's id, as a forger would, instead of the stranger key's own.
std::string SignedWithAnotherKey(const std::string& body, bool claimTestKeyId = false);

// Only a Renovo.dll built with the test key accepts what the test key signs; a build for
// a release (VELTO_UPDATE_PUBLIC_KEY naming the real key) leaves those tests out.
#define REQUIRE_RENOVO_TRUSTS_TEST_KEY()       \
    if (!::velto::test::RenovoTrustsTestKey()) \
    GTEST_SKIP() << "Renovo.dll trusts another key than the test key (VELTO_UPDATE_PUBLIC_KEY)"
bool RenovoTrustsTestKey();

}  // namespace velto::test
