#pragma once
// A library call that ends in an exception instead of a result — a library
// or entry point that cannot be reached, memory that ran out, any other
// failure inside a back-end — is that call's failure, told in a short
// Japanese text for its result line; it never ends the operation that made
// the call.

#include <exception>
#include <functional>
#include <optional>
#include <string>

namespace ks {

// The description of the exception held by `failure` (not null).
std::string DescribeLibraryFailure(const std::exception_ptr& failure);

// Runs `work`: nullopt when it returned, otherwise the description of what
// it threw. The end of the program is not a failure of the work: a platform
// whose EndProgram reports by throwing (the test double) still ends here.
std::optional<std::string> TryLibraryWork(const std::function<void()>& work);

}  // namespace ks
