// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include <cstddef>
#include <cstdint>

#include "storage/cipher/rijndael_key_schedule.h"

namespace kestramo {

// One implementation of the 14-round block function and of CBC over whole blocks.
// All of them give identical bytes; Select() picks the fastest the processor supports.
class RijndaelEngine {
 public:
  static constexpr size_t kBlock = 16;

  virtual ~RijndaelEngine() = default;
  virtual const char* Name() const = 0;
  virtual void EncryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const = 0;
  // In place over `blocks` blocks; `chain` holds the previous ciphertext block and is updated.
  virtual void EncryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const = 0;
  virtual void DecryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const = 0;

  // Inverse of EncryptBlock (one CBC block with a zero chain).
  void DecryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const;

  static const RijndaelEngine& Portable();
  // nullptr when the processor lacks the AES instructions.
  static const RijndaelEngine* Hardware();
  // Hardware when available and not forced off, otherwise portable.
  static const RijndaelEngine& Select();
  // Process-wide switch so both paths can be exercised on one machine.
  static void ForcePortable(bool force);
};

}  // namespace kestramo
