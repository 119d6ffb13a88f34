// The standard conversion error of the number edit: its message names the
// text that could not be read ("'12a' is not a valid integer value").
#pragma once

#include <stdexcept>
#include <string>

namespace vexa {

class EConvertErrorVexa : public std::runtime_error {
public:
    explicit EConvertErrorVexa(const std::string &message) : std::runtime_error(message) {}
};

} // namespace vexa
