#pragma once
// Exceptions of the core. Every failure carries the English text that the user sees.
#include <stdexcept>
#include <string>

namespace kelvane {

// Base of every exception the core raises on purpose; what() is the text shown to the user.
class EKelvaneError : public std::runtime_error {
public:
    explicit EKelvaneError(const std::string& message) : std::runtime_error(message) {}
};

// The XML reader's errors ("There is no corresponding tag:" and the like).
class EParserError : public EKelvaneError {
public:
    using EKelvaneError::EKelvaneError;
};

// A file that cannot be opened, read, written, copied or renamed.
class EFileError : public EKelvaneError {
public:
    using EKelvaneError::EKelvaneError;
};

// A text that is not a number where one is required.
class EConvertError : public EKelvaneError {
public:
    using EKelvaneError::EKelvaneError;
};

// An index outside a list; the message is "List index out of bounds (n)".
class EListError : public EKelvaneError {
public:
    explicit EListError(long long index)
        : EKelvaneError("List index out of bounds (" + std::to_string(index) + ")") {}
};

} // namespace kelvane
