#pragma once

#include <stdexcept>
#include <string>

namespace kestramo {

// Raised inside the cipher classes; the envelope turns it into false or an empty text.
class CipherError : public std::runtime_error {
 public:
  explicit CipherError(const std::string& what) : std::runtime_error(what) {}
};

}  // namespace kestramo
