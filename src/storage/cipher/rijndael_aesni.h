// SPDX-License-Identifier: GPL-3.0-or-later
#pragma once

#include "storage/cipher/rijndael_engine.h"

namespace kestramo {

// The block function on the processor's AES instructions. Only these functions are
// compiled for that instruction set, so the library runs on any x86-64 processor.
class RijndaelAesNiEngine : public RijndaelEngine {
 public:
  static bool Supported();

  const char* Name() const override { return "aes-ni"; }
  void EncryptBlock(const RijndaelRoundKeys& keys, const uint8_t in[16], uint8_t out[16]) const override;
  void EncryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const override;
  void DecryptCbc(const RijndaelRoundKeys& keys, uint8_t* data, size_t blocks, uint8_t chain[16]) const override;
};

}  // namespace kestramo
