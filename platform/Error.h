#pragma once

#include <string>

namespace quindle {

/// An error as handed to completion handlers: a domain, a code and a readable description.
struct Error {
    std::string domain;
    long code { 0 };
    std::string localizedDescription;

    bool operator==(const Error&) const = default;
};

} // namespace quindle
