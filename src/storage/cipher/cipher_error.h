// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <stdexcept>
#include <string>

namespace kestramo {

// Which side of an operation failed: a source that cannot be read, or a destination that
// cannot be made or written (a full disk, most often).
enum class CipherFault { None, Source, Destination, Other };

// Raised inside the cipher classes; the envelope turns it into false or an empty text, and
// keeps the fault for whoever must tell a damaged file from a full disk.
class CipherError : public std::runtime_error {
 public:
  explicit CipherError(const std::string& what, CipherFault fault = CipherFault::Other)
      : std::runtime_error(what), fault_(fault) {}
  CipherFault Fault() const { return fault_; }

 private:
  CipherFault fault_;
};

}  // namespace kestramo
