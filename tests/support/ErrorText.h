#pragma once
// The message of the exception a call throws, or "(no error)".
#include <exception>
#include <string>

namespace kelvane::test {

template <typename F>
std::string ErrorText(F&& call)
{
    try {
        call();
    } catch (const std::exception& e) {
        return e.what();
    }
    return "(no error)";
}

} // namespace kelvane::test
