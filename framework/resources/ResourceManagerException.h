#pragma once
// Thrown by the resource manager's lookups by id. It carries the manager's
// error text, which is the first failure recorded and not necessarily the
// lookup's own; what() is the standard one and does not return it.

#include <exception>
#include <string>
#include <utility>

namespace Vorn {

class ResourceManagerException : public std::exception {
public:
    explicit ResourceManagerException(std::string text) : mWhat(std::move(text)) {}

    std::string mWhat;
};

} // namespace Vorn
