#pragma once

#include "DemoFixtures.h"

#include <span>

namespace Demo {

// The operators the demo database is seeded with; printed at start-up.
namespace Users {

struct User
{
    int id;
    const char* username;
    const char* password;
    const char* prov;
    const char* nome; // UTF-8
};

inline std::span<const User> all()
{
    using namespace Fixtures;
    static const User users[] = {
        {idPA, userPA, passwordPA, provPA, nomePA},
        {idPA2, userPA2, passwordPA2, provPA, nomePA2},
        {idCT, userCT, passwordCT, provCT, nomeCT},
        {idCT2, userCT2, passwordCT2, provCT, nomeCT2},
    };
    return users;
}

} // namespace Users

} // namespace Demo
